package org.corvane.maven;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import java.util.stream.Stream;
import org.apache.maven.artifact.Artifact;
import org.apache.maven.model.Plugin;
import org.apache.maven.model.PluginExecution;
import org.apache.maven.plugin.AbstractMojo;
import org.apache.maven.plugin.MojoExecution;
import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugin.descriptor.PluginDescriptor;
import org.apache.maven.plugins.annotations.LifecyclePhase;
import org.apache.maven.plugins.annotations.Mojo;
import org.apache.maven.plugins.annotations.Parameter;
import org.apache.maven.plugins.annotations.ResolutionScope;
import org.apache.maven.project.MavenProject;
import org.codehaus.plexus.util.xml.Xpp3Dom;

/**
 * Makes the application's launchers: one per target in {@code target/<outputName>/}, beside
 * {@code lib/} with the project's archive and its runtime dependencies. Every other element of
 * the configuration is a key of corvane-make's configuration file with its first letter made
 * small ({@code <mainClass>} is {@code MainClass}).
 */
@Mojo(name = "launcher", defaultPhase = LifecyclePhase.PACKAGE, threadSafe = true,
    requiresDependencyResolution = ResolutionScope.RUNTIME)
public class LauncherMojo extends AbstractMojo {
  private static final List<String> TARGETS = List.of("win32", "win64", "linux");

  @Parameter(defaultValue = "${project}", readonly = true, required = true)
  private MavenProject project;

  @Parameter(defaultValue = "${mojoExecution}", readonly = true, required = true)
  private MojoExecution execution;

  @Parameter(defaultValue = "${plugin}", readonly = true)
  private PluginDescriptor plugin;

  /** The targets to make a launcher for: win32, win64, linux. Default: win64. */
  @Parameter
  private List<String> targets;

  /** A corvane-make configuration file; the POM's settings replace the keys it sets. */
  @Parameter
  private File configFile;

  /** The corvane-make to run instead of the one the plugin carries (required on machines other than Linux x86-64 and Windows). */
  @Parameter(property = "corvane.make")
  private File corvaneMake;

  /** The name of the application's directory in target/ and of its launchers. */
  @Parameter(defaultValue = "${project.artifactId}")
  private String outputName;

  /** Skips the goal. */
  @Parameter(property = "corvane.skip", defaultValue = "false")
  private boolean skip;

  @Override
  public void execute() throws MojoExecutionException, MojoFailureException {
    if (skip) {
      getLog().info("Skipped (corvane.skip)");
      return;
    }
    List<String> wanted = targets == null || targets.isEmpty() ? List.of("win64") : targets;
    for (String target : wanted) {
      if (!TARGETS.contains(target)) {
        throw new MojoFailureException("POM parameter targets: unknown target \"" + target
            + "\" (win32, win64 or linux)");
      }
    }
    try {
      make(wanted);
    } catch (IOException e) {
      throw new MojoExecutionException(e.getMessage(), e);
    } catch (InterruptedException e) {
      Thread.currentThread().interrupt();
      throw new MojoExecutionException("interrupted", e);
    }
  }

  private void make(List<String> wanted) throws IOException, InterruptedException, MojoFailureException {
    Path work = Files.createDirectories(Path.of(project.getBuild().getDirectory(), "corvane"));
    Path shared = sharedPlace(work);
    Path tool = tool(shared);
    CorvaneMake.Run listed;
    try {
      listed = CorvaneMake.run(List.of(tool.toString(), "--keys"));
    } catch (IOException e) {
      throw new MojoFailureException((corvaneMake != null ? "POM parameter corvaneMake: " : "")
          + e.getMessage(), e);
    }
    ConfigKeys keys = ConfigKeys.parse(listed.stdout);
    if (listed.exitCode != 0 || keys.isEmpty()) {
      throw new MojoFailureException((corvaneMake != null ? "POM parameter corvaneMake: " : "")
          + tool + " does not list its keys (--keys): it is not a corvane-make of this plugin's "
          + "version. " + listed.stderr.trim());
    }
    Set<String> own = new HashSet<>(execution.getMojoDescriptor().getParameterMap().keySet());
    TomlLayer pom = PomSettings.layer(pomConfiguration(), own, keys, project.getBasedir());
    if (configFile != null && !configFile.isFile()) {
      throw new MojoFailureException("POM parameter configFile: " + configFile + " is not a file");
    }
    // Null where the file is not read here: corvane-make then says what is wrong with it.
    Set<String> fileKeys = configFile == null ? Set.of() : TomlKeys.read(configFile.toPath());
    if (fileKeys != null && !given("MainClass", pom, fileKeys) && !given("MainJar", pom, fileKeys)) {
      throw new MojoFailureException("POM parameter mainClass is not set: name the application's "
          + "main class with <mainClass>, or its jar with <mainJar> (or MainClass or MainJar in the "
          + "configFile)");
    }
    boolean bundle = given("bundle", pom, fileKeys);
    boolean bundleDirGiven = given("bundle.dir", pom, fileKeys);
    if (bundle && bundleDirGiven && wanted.size() > 1) {
      throw new MojoFailureException("POM parameter bundle/dir: one folder cannot hold the bundles of "
          + wanted.size() + " targets: leave dir out, and each goes to target/bundle-TARGET/" + outputName);
    }

    Path app = Path.of(project.getBuild().getDirectory(), outputName);
    List<String> jars = copyClassPath(app.resolve("lib"));
    Path windowsLayer = work.resolve("pom.toml");
    Files.writeString(windowsLayer, pom.text(), StandardCharsets.UTF_8);
    // <sign> signs the Windows launchers; corvane-make refuses it for a linux one.
    Path linuxLayer = work.resolve("pom-linux.toml");
    Files.writeString(linuxLayer, pom.withoutTable("sign").text(), StandardCharsets.UTF_8);
    String organization = project.getOrganization() == null ? null : project.getOrganization().getName();
    for (String target : wanted) {
      Path launcher = CorvaneMake.carried(CorvaneMake.launcherResource(target), shared);
      if (launcher == null) {
        throw new MojoFailureException("This plugin carries no generic launcher for " + target);
      }
      Path defaults = work.resolve(target + "-defaults.toml");
      Files.writeString(defaults, ProjectDefaults.layer(target, jars, project.getName(), organization,
          project.getVersion()).text(), StandardCharsets.UTF_8);
      Path pomLayer = "linux".equals(target) ? linuxLayer : windowsLayer;
      List<String> command = new ArrayList<>(List.of(tool.toString(), "--config", defaults.toString()));
      if (configFile != null) command.addAll(List.of("--config", configFile.getAbsolutePath()));
      command.addAll(List.of("--config", pomLayer.toString(), "--target", target, "--launcher",
          launcher.toString()));
      Path output = app.resolve(outputFile(outputName, target, wanted));
      runMake(target, concat(command, "--output", output.toString()), pomLayer, defaults);
      getLog().info("Made " + output);
      if (bundle) {
        List<String> bundled = new ArrayList<>(command);
        if (!bundleDirGiven) {
          bundled.addAll(List.of("--bundle", Path.of(project.getBuild().getDirectory(),
              "bundle-" + target, outputName).toString()));
        }
        if (!given("bundle.input", pom, fileKeys)) {
          bundled.addAll(List.of("--input", app.toString()));
        }
        runMake(target, bundled, pomLayer, defaults);
      }
    }
  }

  /**
   * Whether the POM or the configFile (its keys {@code fileKeys}, null where unread) sets {@code
   * key}, or a key of the table {@code key}.
   */
  private static boolean given(String key, TomlLayer pom, Set<String> fileKeys) {
    return pom.has(key) || pom.hasTable(key) || fileKeys != null
        && fileKeys.stream().anyMatch(set -> set.equals(key) || set.startsWith(key + "."));
  }

  /** Runs corvane-make for {@code target}, its notes and what it wrote logged; a failure fails the build. */
  private void runMake(String target, List<String> command, Path pomLayer, Path defaults)
      throws IOException, InterruptedException, MojoFailureException {
    CorvaneMake.Run made = CorvaneMake.run(command);
    for (String note : CorvaneMake.notes(made.stderr)) getLog().info(target + ": " + note);
    if (made.exitCode != 0) {
      throw new MojoFailureException("corvane-make failed for " + target + ": "
          + CorvaneMake.explain(made.stderr, pomLayer, defaults));
    }
    for (String line : made.stdout.split("\\R")) {
      if (!line.isEmpty()) getLog().info(target + ": " + line);
    }
  }

  private static List<String> concat(List<String> command, String... more) {
    List<String> all = new ArrayList<>(command);
    all.addAll(List.of(more));
    return all;
  }

  /**
   * Where the carried programs are written, once for every build: beside the plugin's archive in
   * the local repository, or {@code work} where that cannot be written.
   */
  private Path sharedPlace(Path work) {
    File archive = plugin == null || plugin.getPluginArtifact() == null ? null
        : plugin.getPluginArtifact().getFile();
    if (archive == null || !archive.isFile() || !Files.isWritable(archive.toPath().getParent())) {
      return work;
    }
    return archive.toPath().resolveSibling("corvane");
  }

  /** The corvane-make to run: corvaneMake, or the one carried for this machine. */
  private Path tool(Path shared) throws IOException, MojoFailureException {
    if (corvaneMake != null) {
      if (!corvaneMake.isFile()) {
        throw new MojoFailureException("POM parameter corvaneMake: " + corvaneMake + " is not a file");
      }
      return corvaneMake.toPath().toAbsolutePath();
    }
    String os = System.getProperty("os.name") + " " + System.getProperty("os.arch");
    String carried = CorvaneMake.toolResource(System.getProperty("os.name"), System.getProperty("os.arch"));
    if (carried == null) {
      throw new MojoFailureException("The plugin carries corvane-make for Linux x86-64 and Windows, "
          + "not for " + os + ": name one built for this machine with the POM parameter corvaneMake");
    }
    Path tool = CorvaneMake.carried(carried, shared);
    if (tool == null) {
      throw new MojoFailureException("This plugin carries no corvane-make for " + os
          + ": name one with the POM parameter corvaneMake");
    }
    return tool;
  }

  /**
   * The plugin's configuration as the POM writes it, elements the goal does not declare
   * included (Maven hands the goal only those it declares). Maven has already merged the
   * plugin's own configuration into each execution's.
   */
  private Xpp3Dom pomConfiguration() {
    Plugin plugin = project.getPlugin(execution.getGroupId() + ":" + execution.getArtifactId());
    if (plugin == null) return null;
    PluginExecution declared = plugin.getExecutionsAsMap().get(execution.getExecutionId());
    Object configuration = declared != null && declared.getConfiguration() != null
        ? declared.getConfiguration() : plugin.getConfiguration();
    return (Xpp3Dom) configuration;
  }

  /**
   * Fills {@code lib} with the project's archive and its runtime dependencies and gives their
   * names in class path order. What else lib/ held goes only after the new archives are in.
   */
  private List<String> copyClassPath(Path lib) throws IOException, MojoFailureException {
    List<Path> files = new ArrayList<>();
    List<String> names = new ArrayList<>();
    Path archive = projectArchive();
    if (archive != null) {
      files.add(archive);
      names.add(archive.getFileName().toString());
    }
    for (Artifact artifact : project.getArtifacts()) {
      File file = artifact.getFile();
      if (file == null || !file.isFile()) continue;
      String name = file.getName();
      // Two archives of one name from different groups both stay.
      if (names.contains(name)) name = artifact.getGroupId() + "-" + name;
      files.add(file.toPath());
      names.add(name);
    }
    Files.createDirectories(lib);
    for (int i = 0; i < files.size(); ++i) {
      Files.copy(files.get(i), lib.resolve(names.get(i)), StandardCopyOption.REPLACE_EXISTING);
    }
    try (Stream<Path> old = Files.list(lib)) {
      for (Path file : (Iterable<Path>) old::iterator) {
        if (Files.isRegularFile(file) && !names.contains(file.getFileName().toString())) Files.delete(file);
      }
    }
    return names;
  }

  /**
   * The project's archive: the one this build made, or, with the goal run alone, the one an
   * earlier {@code package} left in target/. Null for a project that makes none (a POM).
   */
  private Path projectArchive() throws MojoFailureException {
    File made = project.getArtifact().getFile();
    if (made != null && made.isFile()) return made.toPath();
    if (project.getPackaging().equals("pom")) return null;
    String extension = project.getArtifact().getArtifactHandler().getExtension();
    Path left = Path.of(project.getBuild().getDirectory(), project.getBuild().getFinalName() + "." + extension);
    if (!Files.isRegularFile(left)) {
      throw new MojoFailureException("The project's archive " + left.getFileName() + " is not made: "
          + "run the goal in the package phase (mvn package), or after it");
    }
    getLog().info("Takes " + left + ", which an earlier package made");
    return left;
  }

  /** The launcher's file name: outputName(.exe); with both Windows targets, each named by its target. */
  static String outputFile(String name, String target, List<String> targets) {
    if (target.equals("linux")) return name;
    boolean both = targets.contains("win32") && targets.contains("win64");
    return name + (both ? "-" + target : "") + ".exe";
  }
}
