#pragma once

#include <string>

/// String-table entries of the launch configuration. Every entry opens a string
/// block of its own (all are multiples of 16).
enum ConfigEntry : unsigned {
  EntryJniVersion = 1024,
  EntryRuntimeLibrary = 1040,
  EntryJvmOptions = 1056,
  EntryClassPath = 1072,
  EntryRuntimeSearchMode = 1088,
  EntryInstallSwitch = 1104,
  EntryUninstallSwitch = 1120,
  EntryServiceSwitch = 1136,
  EntryWorkingDirectory = 1152,
  EntryMainClass = 1168,
  EntryAppOptions = 1184,
  EntryIniFile = 1200,
  EntryReturnToStartDirectory = 1216,
  EntryWorkingDirectoryBeforeJvm = 1232,
  EntryServiceName = 1248,
  EntryServiceDescription = 1264,
  EntryServiceStartOptions = 1280,
  EntryServiceStopOptions = 1296,
  EntryStopServiceByExit = 1312,
  EntryManualServiceStart = 1328,
  EntryAllowMultipleInstances = 1344,
  EntryStdoutFile = 1360,
  EntryStderrFile = 1376,
  EntrySplashCaption = 1392,
  EntrySplashUntilWindow = 1408,
  EntrySplashSeconds = 1424,
  EntryMsgAlreadyRunning = 1440,
  EntryMsgFileAccess = 1456,
  EntryMsgNoRuntime = 1472,
  EntryMsgLoadJvm = 1488,
  EntryMsgNoJniInterfaces = 1504,
  EntryMsgCreateJvm = 1520,
  EntryMsgAttachThread = 1536,
  EntryMsgLocateClass = 1552,
  EntryMsgLocateMethod = 1568,
  EntryMsgInstantiate = 1584,
  EntryMsgAssignArgument = 1600,
  EntryMsgInvokeMethod = 1616,
  EntryMsgServiceInstalled = 1632,
  EntryMsgServiceUninstalled = 1648,
  EntryMsgServiceAlreadyInstalled = 1664,
  EntryMsgServiceStarted = 1680,
  EntryMsgServiceStopped = 1696,
  EntryMsgServiceStartFailed = 1712,
  EntryMsgServiceStopTimeout = 1728,
  EntryRuntimeDiscovery = 1744,
  EntryRuntimeMinVersion = 1760,
  EntryRuntimeMaxVersion = 1776,
  EntryRuntimeDownloadUrl = 1792,
  EntryMsgOpenDownloadPage = 1808,
  EntryServiceRestartSeconds = 1824,
  EntryServiceDelayedStart = 1840,
  EntryServiceStopTimeout = 1856,
  EntryStartupArchive = 1872,
  EntryMainJar = 1888,
};

/// The stop watchdog's seconds when ServiceStopTimeout is absent or not positive.
constexpr int DefaultServiceStopTimeout = 30;

/// The question after the no-runtime text when MsgOpenDownloadPage is empty.
constexpr const char* DefaultOpenDownloadPage = "Open the download page now?";

/// The launch configuration of the process. Filled once by LoadLaunchConfig on the
/// main thread before any other thread starts; texts are 8-bit ANSI and never absent
/// (a missing entry is the empty text).
///
/// RuntimeLibrary and ClassPath are walked with NextToken, which cuts them in place;
/// read them as C strings (c_str()) once a walk has begun.
struct LaunchConfigRecord {
  std::string MainClass;  // internal form, '/' between package parts
  std::string RuntimeLibrary;
  std::string JvmOptions;
  std::string ClassPath;
  int RuntimeSearchMode = 0;
  std::string InstallSwitch;
  std::string UninstallSwitch;
  std::string ServiceSwitch;
  std::string WorkingDirectory;
  std::string AppOptions;
  std::string IniFile;
  bool ReturnToStartDirectory = false;
  bool WorkingDirectoryBeforeJvm = false;
  std::string ServiceName;
  std::string ServiceDescription;
  std::string ServiceStartOptions;
  std::string ServiceStopOptions;
  bool StopServiceByExit = false;
  bool ManualServiceStart = false;
  bool AllowMultipleInstances = false;
  std::string StdoutFile;
  std::string StderrFile;
  std::string SplashCaption;
  bool SplashUntilWindow = false;
  int SplashSeconds = 0;
  std::string JniVersionText;
  int JniVersion = 0;

  std::string MsgAlreadyRunning;
  std::string MsgFileAccess;
  std::string MsgNoRuntime;
  std::string MsgLoadJvm;
  std::string MsgNoJniInterfaces;
  std::string MsgCreateJvm;
  std::string MsgAttachThread;
  std::string MsgLocateClass;
  std::string MsgLocateMethod;
  std::string MsgInstantiate;
  std::string MsgAssignArgument;
  std::string MsgInvokeMethod;
  std::string MsgServiceInstalled;
  std::string MsgServiceUninstalled;
  std::string MsgServiceAlreadyInstalled;
  std::string MsgServiceStarted;
  std::string MsgServiceStopped;
  std::string MsgServiceStartFailed;
  std::string MsgServiceStopTimeout;

  // Runtime discovery: off when absent, so that every table made before it keeps its
  // behaviour. The bounds are Java versions, the upper one matched as a prefix.
  bool RuntimeDiscovery = false;
  std::string RuntimeMinVersion;
  std::string RuntimeMaxVersion;

  // Help when no runtime is found: the page the no-runtime report offers to open, and
  // the question asked (DefaultOpenDownloadPage when empty).
  std::string RuntimeDownloadUrl;
  std::string MsgOpenDownloadPage;

  // Service extras: restart after a failure this many seconds later (0: no failure
  // actions), install an automatic service with delayed start, and the seconds the
  // stop watchdog waits (always positive after loading).
  int ServiceRestartSeconds = 0;
  bool ServiceDelayedStart = false;
  int ServiceStopTimeout = DefaultServiceStopTimeout;

  // A class-data archive of the application in the user's cache, made by the runtime
  // and mapped at the next start: off when absent.
  bool StartupArchive = false;

  // The application's archive, run as `java -jar` runs it: first on the class path, and
  // its manifest's Main-Class read when MainClass is empty. Empty: no such archive.
  std::string MainJar;
};

/// Never destroyed: service and Java threads may still read it while the process
/// ends, after the main thread has left the program's entry.
extern LaunchConfigRecord& LaunchConfig;

/// Fills every field of LaunchConfig (every row of ConfigFields) from the executable's
/// string table and, for JvmOptions and AppOptions, from the INI file named by IniFile
/// (relative to the current directory). A ServiceStopTimeout that is not positive
/// becomes DefaultServiceStopTimeout. Reports nothing and cannot fail; traces what it
/// read.
void LoadLaunchConfig();

/// The text of one entry: empty when the entry is absent, empty, or exactly "<null>".
/// At most 1023 characters, as the string-table read cuts it.
std::string LoadConfigString(unsigned entry);

/// A flag entry: set unless its first character is '0' (so absent means set).
bool LoadConfigFlag(unsigned entry);

/// A flag entry added after the first table: set when it starts with anything but '0',
/// clear when it is absent, empty or "<null>", so that older tables keep their
/// behaviour.
bool LoadOptInFlag(unsigned entry);

/// A number entry, read as atoi reads it (0 when it holds no leading digits).
int LoadConfigNumber(unsigned entry);

/// Reads a JNI version text as hexadecimal ("0x" prefix allowed); 0 when the text
/// holds no hexadecimal number.
int ParseJniVersion(const char* text);

/// Decodes a scrambled main-class text (two hexadecimal digits per byte, XOR-ed with
/// the fixed key) into a process-wide 256-byte buffer that the next call overwrites.
/// Digits are not validated; each byte is computed modulo 256. Only the first 510
/// digits are decoded, so a longer text gives its first 255 characters.
const char* UnscrambleText(const char* text);
