package org.corvane.maven;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.ArrayList;
import java.util.List;
import java.util.Optional;
import java.util.UUID;
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
   * The plugin's resource {@code name} as a file: {@code shared/<digest of its content>/<its
   * file name>}, written there once and then shared by every build and thread that runs this
   * plugin. Null where the plugin does not carry it.
   */
  static Path carried(String name, Path shared) throws IOException {
    byte[] content;
    try (InputStream in = CorvaneMake.class.getResourceAsStream("/corvane/" + name)) {
      if (in == null) return null;
      content = in.readAllBytes();
    }
    Path file = shared.resolve(digest(content)).resolve(Path.of(name).getFileName().toString());
    if (Files.isRegularFile(file) && Files.size(file) == content.length) return file;
    Files.createDirectories(file.getParent());
    // Written whole under a name of its own, then renamed: a file of this name is complete.
    Path temporary = file.resolveSibling(file.getFileName() + "." + UUID.randomUUID() + ".tmp");
    try {
      write(temporary, content);
      temporary.toFile().setExecutable(true, false);
      Files.move(temporary, file, StandardCopyOption.ATOMIC_MOVE);
    } catch (IOException e) {
      Files.deleteIfExists(temporary);
      // Windows does not replace a file in use: another build was first.
      if (!Files.isRegularFile(file) || Files.size(file) != content.length) throw e;
    }
    return file;
  }

  /**
   * Writes {@code content} to the new file {@code file}. Off Windows a child process writes it:
   * a process that another thread of the build starts inherits every file the build holds open
   * at that moment, and the kernel refuses to run a file that some process holds open for
   * writing ("Text file busy"). A file this process never opened cannot be held so.
   */
  private static void write(Path file, byte[] content) throws IOException {
    if (System.getProperty("os.name").startsWith("Windows")) {
      Files.write(file, content, StandardOpenOption.CREATE_NEW);
      return;
    }
    Run written;
    try {
      written = run(List.of("/bin/sh", "-c", "cat >\"$0\"", file.toString()), content);
    } catch (InterruptedException e) {
      Thread.currentThread().interrupt();
      throw new IOException("interrupted while writing " + file, e);
    }
    if (written.exitCode != 0) throw new IOException("cannot write " + file + ": " + written.stderr.trim());
  }

  private static String digest(byte[] content) {
    try {
      byte[] sum = MessageDigest.getInstance("SHA-256").digest(content);
      StringBuilder hex = new StringBuilder();
      for (int i = 0; i < 8; ++i) hex.append(String.format("%02x", sum[i]));
      return hex.toString();
    } catch (NoSuchAlgorithmException e) {
      throw new IllegalStateException(e);
    }
  }

  static Run run(List<String> command) throws IOException, InterruptedException {
    return run(command, new byte[0]);
  }

  /**
   * Runs {@code command} with {@code input} as its standard input, written before its output is
   * read: for programs that read their input before they write much.
   */
  static Run run(List<String> command, byte[] input) throws IOException, InterruptedException {
    Process process = new ProcessBuilder(command).start();
    try (OutputStream out = process.getOutputStream()) {
      out.write(input);
    } catch (IOException e) {
      // It ended without reading it all; its exit code and standard error say why.
    }
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
