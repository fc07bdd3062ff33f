package org.corvane.maven;

import java.util.ArrayList;
import java.util.List;

/** The settings a project gives its launchers unless the configuration file or the POM sets them. */
final class ProjectDefaults {
  private ProjectDefaults() {}

  /** The longest ClassPath a launcher holds. */
  static final int MAX_ENTRY = 1023;

  /**
   * The class path of archives {@code jars} in {@code lib}: each archive named, or the
   * directory alone (the launcher takes every archive below it) where the names do not fit.
   */
  static String classPath(List<String> jars, char separator) {
    List<String> entries = new ArrayList<>();
    for (String jar : jars) entries.add("lib" + separator + jar);
    String named = String.join(";", entries);
    return named.length() <= MAX_ENTRY ? named : "lib";
  }

  /**
   * The version resource's numbers made of a Maven version: its leading numbers, at most four
   * of 0 to 65535 ("1.4.2-SNAPSHOT" gives "1.4.2"); null when it starts with none.
   */
  static String versionNumbers(String version) {
    if (version == null) return null;
    List<String> numbers = new ArrayList<>();
    for (String part : version.split("[^0-9]", -1)) {
      if (part.isEmpty() || part.length() > 5 || Integer.parseInt(part) > 65535) break;
      numbers.add(part);
      int end = String.join(".", numbers).length();
      if (numbers.size() == 4 || end >= version.length() || version.charAt(end) != '.') break;
    }
    return numbers.isEmpty() ? null : String.join(".", numbers);
  }

  /**
   * The layer of defaults for one target: the class path and the version resource with the
   * project's name, organisation and version (which corvane-make leaves out of a Linux
   * launcher, saying so, but which makes a [version] table of the POM whole).
   */
  static TomlLayer layer(String target, List<String> jars, String name, String organization,
      String version) {
    TomlLayer layer = new TomlLayer();
    boolean windows = !target.equals("linux");
    layer.put("ClassPath", "string", classPath(jars, windows ? '\\' : '/'));
    String numbers = versionNumbers(version);
    if (numbers != null) {
      layer.put("version.FileVersion", "string", numbers);
      if (name != null && !name.isEmpty()) {
        layer.put("version.ProductName", "string", name);
        layer.put("version.FileDescription", "string", name);
      }
      if (organization != null && !organization.isEmpty()) {
        layer.put("version.CompanyName", "string", organization);
      }
    }
    return layer;
  }
}
