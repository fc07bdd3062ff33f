"""A configuration that sets every key of the launcher maker to a value of its own,
with the text each entry should then hold, shared by the Linux and Wine cases."""

KEY = b"R4kWq9Zt2Hb7Xy5N\0"

TEXTS = {
    "RuntimeLibrary": (1040, "runtime\\jvm.dll;other\\jvm.dll"),
    "JvmOptions": (1056, "-Dmade=yes \"-Dwith space=a b\""),
    "ClassPath": (1072, "app.jar;lib\\helper.jar"),
    "InstallSwitch": (1104, "/install"),
    "UninstallSwitch": (1120, "/remove"),
    "ServiceSwitch": (1136, "/as-service"),
    "WorkingDirectory": (1152, "work"),
    "AppOptions": (1184, "first \"second arg\""),
    "IniFile": (1200, "tool.ini"),
    "ServiceName": (1248, "ToolService"),
    "ServiceDescription": (1264, "d" * 1023),
    "ServiceStartOptions": (1280, "start"),
    "ServiceStopOptions": (1296, "stop now"),
    "StdoutFile": (1360, "out.log"),
    "StderrFile": (1376, ""),
    "SplashCaption": (1392, "Loading the tool"),
    "JniVersionText": (1024, "0x00010002"),
    "RuntimeMinVersion": (1760, "1.8"),
    "RuntimeMaxVersion": (1776, "21"),
    "RuntimeDownloadUrl": (1792, "https://example.org/java?os=windows&arch=x86"),
    "MainJar": (1888, "lib\\tool.jar"),
}
FLAGS = {
    "ReturnToStartDirectory": (1216, True),
    "WorkingDirectoryBeforeJvm": (1232, False),
    "StopServiceByExit": (1312, True),
    "ManualServiceStart": (1328, True),
    "AllowMultipleInstances": (1344, True),
    "SplashUntilWindow": (1408, False),
    "RuntimeDiscovery": (1744, True),
    "ServiceDelayedStart": (1840, True),
    "StartupArchive": (1872, True),
}
NUMBERS = {"RuntimeSearchMode": (1088, 5), "SplashSeconds": (1424, 12),
           "ServiceRestartSeconds": (1824, 30), "ServiceStopTimeout": (1856, 45)}
MESSAGES = ["MsgAlreadyRunning", "MsgFileAccess", "MsgNoRuntime", "MsgLoadJvm",
            "MsgNoJniInterfaces", "MsgCreateJvm", "MsgAttachThread", "MsgLocateClass",
            "MsgLocateMethod", "MsgInstantiate", "MsgAssignArgument", "MsgInvokeMethod",
            "MsgServiceInstalled", "MsgServiceUninstalled", "MsgServiceAlreadyInstalled",
            "MsgServiceStarted", "MsgServiceStopped", "MsgServiceStartFailed",
            "MsgServiceStopTimeout"]
# Messages added after the first table, outside its run of entries.
LATER_MESSAGES = {"MsgOpenDownloadPage": 1808}
MAIN_CLASS = "com.example.tool.Main"
# Every key that has an entry, with its entry.
ENTRIES = dict({name: entry for name, (entry, _) in list(TEXTS.items()) + list(FLAGS.items())
                + list(NUMBERS.items())}, MainClass=1168,
               **{name: 1440 + 16 * index for index, name in enumerate(MESSAGES)},
               **LATER_MESSAGES)


def toml_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def full_config():
    """(TOML text, {entry: stored text}) for every entry but the main class."""
    lines = ["MainClass = " + toml_string(MAIN_CLASS)]
    expected = {}
    for name, (entry, text) in TEXTS.items():
        lines.append("%s = %s" % (name, toml_string(text)))
        expected[entry] = text or "<null>"
    for name, (entry, value) in FLAGS.items():
        lines.append("%s = %s" % (name, "true" if value else "false"))
        expected[entry] = "1" if value else "0"
    for name, (entry, value) in NUMBERS.items():
        lines.append("%s = %d" % (name, value))
        expected[entry] = str(value)
    entries = [(name, 1440 + 16 * index) for index, name in enumerate(MESSAGES)]
    for name, entry in entries + list(LATER_MESSAGES.items()):
        text = "%s %d%%%%: %%s" % (name, entry)
        lines.append("%s = %s" % (name, toml_string(text)))
        expected[entry] = text
    return "\n".join(lines) + "\n", expected


def unscramble(stored):
    """The launcher's reading of a stored main class (upper-case digit pairs)."""
    data = bytes.fromhex(stored)
    return bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(data)).decode("latin-1")
