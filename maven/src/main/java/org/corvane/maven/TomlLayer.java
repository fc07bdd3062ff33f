package org.corvane.maven;

import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

/**
 * One configuration file for corvane-make, written from settings: each value in the TOML type
 * its key takes. A value that does not fit the type is written as a string, and corvane-make
 * names the key and the type it wants.
 */
final class TomlLayer {
  private final Map<String, String> root = new LinkedHashMap<>();
  private final Map<String, Map<String, String>> tables = new LinkedHashMap<>();

  /** Sets {@code key} ("MainClass", or "version.FileVersion" for a key of a table). */
  void put(String key, String type, String value) {
    String text = value == null ? "" : value;
    String written;
    if ("array".equals(type)) {
      putArray(key, text.isBlank() ? List.of() : List.of(text.trim().split("\\s*,\\s*")));
      return;
    } else if ("boolean".equals(type) && (text.equals("true") || text.equals("false"))) {
      written = text;
    } else if ("integer".equals(type) && text.matches("-?[0-9]{1,18}")) {
      written = text;
    } else {
      written = quoted(text);
    }
    putWritten(key, written);
  }

  /** Sets {@code key}, an array of strings, to {@code values}. */
  void putArray(String key, List<String> values) {
    List<String> written = new ArrayList<>();
    for (String value : values) written.add(quoted(value));
    putWritten(key, "[" + String.join(", ", written) + "]");
  }

  /** Adds the table {@code name}, empty until keys of it are set. */
  void addTable(String name) {
    tables.computeIfAbsent(bareKey(name), table -> new LinkedHashMap<>());
  }

  private void putWritten(String key, String written) {
    int dot = key.indexOf('.');
    if (dot < 0) {
      root.put(bareKey(key), written);
    } else {
      tables.computeIfAbsent(bareKey(key.substring(0, dot)), name -> new LinkedHashMap<>())
          .put(bareKey(key.substring(dot + 1)), written);
    }
  }

  boolean hasTable(String name) {
    return tables.containsKey(name);
  }

  /** A copy without the table {@code name}. */
  TomlLayer withoutTable(String name) {
    TomlLayer copy = new TomlLayer();
    copy.root.putAll(root);
    tables.forEach((table, entries) -> {
      if (!table.equals(name)) copy.tables.put(table, new LinkedHashMap<>(entries));
    });
    return copy;
  }

  boolean has(String key) {
    int dot = key.indexOf('.');
    if (dot < 0) return root.containsKey(key);
    Map<String, String> table = tables.get(key.substring(0, dot));
    return table != null && table.containsKey(key.substring(dot + 1));
  }

  String text() {
    StringBuilder out = new StringBuilder();
    root.forEach((key, value) -> out.append(key).append(" = ").append(value).append('\n'));
    tables.forEach((name, entries) -> {
      out.append('[').append(name).append("]\n");
      entries.forEach((key, value) -> out.append(key).append(" = ").append(value).append('\n'));
    });
    return out.toString();
  }

  /** A TOML basic string holding {@code text} exactly. */
  static String quoted(String text) {
    StringBuilder out = new StringBuilder("\"");
    for (int i = 0; i < text.length(); ++i) {
      char c = text.charAt(i);
      if (c == '"' || c == '\\') {
        out.append('\\').append(c);
      } else if (c < 0x20 || c == 0x7f) {
        out.append(String.format("\\u%04X", (int) c));
      } else {
        out.append(c);
      }
    }
    return out.append('"').toString();
  }

  // A key of other characters than TOML's bare ones is quoted, so that corvane-make reads
  // it as written and reports it as unknown.
  private static String bareKey(String key) {
    return key.matches("[A-Za-z0-9_-]+") ? key : quoted(key);
  }
}
