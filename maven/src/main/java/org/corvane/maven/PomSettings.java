package org.corvane.maven;

import java.io.File;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import org.codehaus.plexus.util.xml.Xpp3Dom;

/**
 * The settings a POM gives the goal beside the goal's own parameters: each element of its
 * configuration is a key of corvane-make's file, and an element with children a table.
 */
final class PomSettings {
  private PomSettings() {}

  /**
   * The layer of {@code configuration} (the plugin's configuration as the POM writes it),
   * leaving out the parameters named in {@code own}. Files are resolved against {@code
   * basedir}.
   */
  static TomlLayer layer(Xpp3Dom configuration, Set<String> own, ConfigKeys keys, File basedir) {
    TomlLayer layer = new TomlLayer();
    if (configuration == null) return layer;
    for (Xpp3Dom element : configuration.getChildren()) {
      if (own.contains(element.getName())) continue;
      if (element.getChildCount() == 0 && keys.isTable(element.getName())) {
        layer.addTable(element.getName());
      } else if (element.getChildCount() == 0) {
        put(layer, keys, element.getName(), element.getValue(), basedir);
      }
      for (Xpp3Dom child : element.getChildren()) {
        String path = element.getName() + "/" + child.getName();
        if (child.getChildCount() == 0) {
          put(layer, keys, path, child.getValue(), basedir);
          continue;
        }
        // A list, as Maven writes one: <modules><module>java.base</module>...</modules>.
        List<String> values = new ArrayList<>();
        for (Xpp3Dom item : child.getChildren()) values.add(item.getValue() == null ? "" : item.getValue().trim());
        layer.putArray(keys.keyOf(path), values);
      }
    }
    return layer;
  }

  private static void put(TomlLayer layer, ConfigKeys keys, String path, String value, File basedir) {
    String key = keys.keyOf(path);
    String type = keys.typeOf(key);
    String text = value == null ? "" : value.trim();
    if ("file".equals(type) && !text.isEmpty()) {
      File file = new File(text);
      text = (file.isAbsolute() ? file : new File(basedir, text)).getAbsolutePath();
    }
    layer.put(key, type, text);
  }
}
