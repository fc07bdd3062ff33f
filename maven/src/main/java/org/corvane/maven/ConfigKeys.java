package org.corvane.maven;

import java.util.LinkedHashMap;
import java.util.Map;

/**
 * The keys of corvane-make's configuration file, as its {@code --keys} option lists them
 * ("MainClass string", "version.FileVersion string"), and the POM parameter of each: the key
 * with the first letter of every part made small ("mainClass", "version/fileVersion").
 */
final class ConfigKeys {
  private final Map<String, String> types = new LinkedHashMap<>();

  static ConfigKeys parse(String listing) {
    ConfigKeys keys = new ConfigKeys();
    for (String line : listing.split("\\R")) {
      String[] parts = line.trim().split(" ");
      if (parts.length == 2) keys.types.put(parts[0], parts[1]);
    }
    return keys;
  }

  boolean isEmpty() {
    return types.isEmpty();
  }

  /** Whether the parameter {@code name} is a table of keys ("version", "bundle"). */
  boolean isTable(String name) {
    return types.keySet().stream().anyMatch(key -> parameterOf(key).startsWith(name + "/"));
  }

  /**
   * "string", "boolean", "integer", "file" or "array" (of strings); null for a key corvane-make
   * does not know.
   */
  String typeOf(String key) {
    return types.get(key);
  }

  /**
   * The key of the parameter at {@code path} ("mainClass", "version/fileVersion"). A parameter
   * that matches no key gets the first letter of each part made capital, so that corvane-make
   * reports it as an unknown key.
   */
  String keyOf(String path) {
    for (String key : types.keySet()) {
      if (parameterOf(key).equals(path)) return key;
    }
    String table = path.contains("/") ? path.substring(0, path.indexOf('/')) : null;
    for (String key : types.keySet()) {
      if (table != null && key.contains(".") && parameterOf(key).startsWith(table + "/")) {
        return key.substring(0, key.indexOf('.') + 1) + capitalFirst(path.substring(table.length() + 1));
      }
    }
    return capitalFirst(path).replace('/', '.');
  }

  static String parameterOf(String key) {
    StringBuilder path = new StringBuilder();
    for (String part : key.split("\\.")) {
      if (path.length() > 0) path.append('/');
      path.append(smallFirst(part));
    }
    return path.toString();
  }

  private static String smallFirst(String text) {
    return text.isEmpty() ? text : Character.toLowerCase(text.charAt(0)) + text.substring(1);
  }

  private static String capitalFirst(String text) {
    return text.isEmpty() ? text : Character.toUpperCase(text.charAt(0)) + text.substring(1);
  }
}
