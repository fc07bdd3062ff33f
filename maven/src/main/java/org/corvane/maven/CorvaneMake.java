package org.corvane.maven;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.List;
import java.util.Optional;
import java.util.concurrent.CompletableFuture;

/** corvane-make and the generic launchers the plugin carries, and runs of corvane-make. */
final class CorvaneMake {
  private CorvaneMake() {}

  /** What one run printed and how it ended. */
  static final class Run {
    final int exitCode;
    final String stdout;
    final String stderr;

    Run(int exitCode, String stdout, String stderr) {
      this.exitCode = exitCode;
      this.stdout = stdout;
      this.stderr = stderr;
    }
  }

  /**
   * The resource of the corvane-make the plugin carries for a machine of {@code osName} and
   * {@code osArch} (the Java system properties), or null where it carries none.
   */
  static String toolResource(String osName, String osArch) {
    if (osName.startsWith("Windows")) return "bin/windows/corvane-make.exe";
    if (osName.equals("Linux") && (osArch.equals("amd64") || osArch.equals("x86_64"))) {
      return "bin/linux-x86_64/corvane-make";
    }
    return null;
  }

  /** The resource of the generic launcher of {@code target}. */
  static String launcherResource(String target) {
    return "launchers/" + target + (target.equals("linux") ? "/corvane" : "/corvane.exe");
  }

  /**
   * Copies the plugin's resource {@code name} to {@code directory}/{@code name}, executable.
   * False when the plugin does not carry it.
   */
  static boolean extract(String name, Path directory) throws IOException {
    try (InputStream in = CorvaneMake.class.getResourceAsStream("/corvane/" + name)) {
      if (in == null) return false;
      Path file = directory.resolve(name);
      Files.createDirectories(file.getParent());
      Files.copy(in, file, StandardCopyOption.REPLACE_EXISTING);
      file.toFile().setExecutable(true, false);
      return true;
    }
  }

  static Run run(List<String> command) throws IOException, InterruptedException {
    Process process = new ProcessBuilder(command).start();
    process.getOutputStream().close();
    CompletableFuture<String> stderr = CompletableFuture.supplyAsync(() -> readAll(process.getErrorStream()));
    String stdout = readAll(process.getInputStream());
    int exitCode = process.waitFor();
    return new Run(exitCode, stdout, stderr.join());
  }

  private static String readAll(InputStream in) {
    try (in) {
      ByteArrayOutputStream bytes = new ByteArrayOutputStream();
      in.transferTo(bytes);
      return bytes.toString(StandardCharsets.UTF_8);
    } catch (IOException e) {
      return "";
    }
  }

  /** The remarks of a run's standard error ("corvane-make: note: ..."), without the prefix. */
  static List<String> notes(String stderr) {
    List<String> notes = new ArrayList<>();
    for (String line : stderr.split("\\R")) {
      if (line.startsWith("corvane-make: note: ")) notes.add(line.substring(20));
    }
    return notes;
  }

  /**
   * The fault of a failed run's standard error, told in the terms of the build: a fault of the
   * layer written from the POM ({@code pomLayer}) names the POM parameter, one of the layer of
   * project defaults ({@code defaultsLayer}) the default.
   */
  static String explain(String stderr, Path pomLayer, Path defaultsLayer) {
    List<String> faults = new ArrayList<>();
    for (String line : stderr.split("\\R")) {
      if (line.isEmpty() || line.startsWith("corvane-make: note: ")) continue;
      String fault = line.startsWith("corvane-make: ") ? line.substring(14) : line;
      faults.add(explainFault(fault, pomLayer.toString(), "POM parameter ", true)
          .orElse(explainFault(fault, defaultsLayer.toString(), "the default made from the project for ", false)
              .orElse(fault)));
    }
    return String.join("\n", faults);
  }

  // "<layer>:<line>: <key>: <what>" as "<prefix><parameter>: <what>".
  private static Optional<String> explainFault(String fault, String layer, String prefix,
      boolean asParameter) {
    if (!fault.startsWith(layer + ":")) return Optional.empty();
    String rest = fault.substring(layer.length() + 1).replaceFirst("^[0-9]+: ", "");
    int colon = rest.indexOf(": ");
    if (colon < 0) return Optional.of(prefix.trim() + ": " + rest);
    String key = rest.substring(0, colon);
    String name = asParameter ? ConfigKeys.parameterOf(key) : key;
    return Optional.of(prefix + name + ": " + rest.substring(colon + 2));
  }
}
