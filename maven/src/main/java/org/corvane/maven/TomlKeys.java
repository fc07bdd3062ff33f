package org.corvane.maven;

import java.io.IOException;
import java.nio.ByteBuffer;
import java.nio.charset.CharacterCodingException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.LinkedHashSet;
import java.util.Set;

/**
 * The keys a TOML file sets, as TOML reads them: "MainClass", "bundle.jdk", and each table
 * header ("bundle"). Keys may be bare, quoted or dotted; values are passed over whole, strings
 * of every kind and arrays over several lines included, so that a line inside a value is never
 * taken for a key. Only the keys are read: corvane-make checks the values.
 */
final class TomlKeys {
  private final String text;
  private int at;

  private TomlKeys(String text) {
    this.text = text;
  }

  /**
   * The keys of the file at {@code file}; null where it is not UTF-8 or not TOML as read here,
   * which corvane-make then reports with the file's name and line.
   */
  static Set<String> read(Path file) throws IOException {
    try {
      return of(StandardCharsets.UTF_8.newDecoder()
          .decode(ByteBuffer.wrap(Files.readAllBytes(file))).toString());
    } catch (CharacterCodingException e) {
      return null;
    }
  }

  /** The keys {@code text} sets; null where it is not TOML as read here. */
  static Set<String> of(String text) {
    TomlKeys reader = new TomlKeys(text);
    Set<String> keys = new LinkedHashSet<>();
    String table = "";
    try {
      for (reader.skipBlanks(true); reader.at < text.length(); reader.skipBlanks(true)) {
        if (text.startsWith("[", reader.at)) {
          boolean array = text.startsWith("[[", reader.at);
          reader.at += array ? 2 : 1;
          String name = reader.key();
          reader.expect(array ? "]]" : "]");
          keys.add(name);
          table = name + ".";
        } else {
          keys.add(table + reader.key());
          reader.expect("=");
          reader.value();
        }
        reader.skipBlanks(false);
        if (reader.at < text.length() && !reader.lineEnds()) return null;
      }
    } catch (IllegalArgumentException e) {
      return null;
    }
    return keys;
  }

  // A dotted key, its parts joined with dots.
  private String key() {
    skipBlanks(false);
    StringBuilder key = new StringBuilder(simpleKey());
    for (skipBlanks(false); text.startsWith(".", at); skipBlanks(false)) {
      ++at;
      skipBlanks(false);
      key.append('.').append(simpleKey());
    }
    return key.toString();
  }

  private String simpleKey() {
    if (text.startsWith("\"", at)) return basicString();
    if (text.startsWith("'", at)) return literalString();
    int start = at;
    while (at < text.length() && (Character.isLetterOrDigit(text.charAt(at)) && text.charAt(at) < 128
        || text.charAt(at) == '_' || text.charAt(at) == '-')) {
      ++at;
    }
    if (at == start) throw new IllegalArgumentException("no key");
    return text.substring(start, at);
  }

  private void value() {
    skipBlanks(false);
    if (text.startsWith("\"\"\"", at) || text.startsWith("'''", at)) {
      String quotes = text.substring(at, at + 3);
      at += 3;
      while (!text.startsWith(quotes, at)) {
        if (at >= text.length()) throw new IllegalArgumentException("open string");
        at += quotes.equals("\"\"\"") && text.charAt(at) == '\\' ? 2 : 1;
      }
      // Up to two quotes before the closing three belong to the string.
      for (int extra = 0; extra < 2 && text.startsWith(quotes, at + 1); ++extra) ++at;
      at += 3;
    } else if (text.startsWith("\"", at)) {
      basicString();
    } else if (text.startsWith("'", at)) {
      literalString();
    } else if (text.startsWith("[", at) || text.startsWith("{", at)) {
      String close = text.startsWith("[", at) ? "]" : "}";
      boolean array = close.equals("]");
      ++at;
      skipBlanks(array);
      while (!text.startsWith(close, at)) {
        if (!array) {
          key();
          expect("=");
        }
        value();
        skipBlanks(array);
        if (!text.startsWith(",", at)) break;
        ++at;
        skipBlanks(array);
      }
      expect(close);
    } else {
      int start = at;
      while (at < text.length() && " \t,]}#\r\n".indexOf(text.charAt(at)) < 0) ++at;
      if (at == start) throw new IllegalArgumentException("no value");
      // A date and a time may stand apart by a blank: 1979-05-27 07:32:00.
      if (text.substring(start, at).matches("[0-9]{4}-[0-9]{2}-[0-9]{2}")
          && text.startsWith(" ", at) && at + 1 < text.length() && Character.isDigit(text.charAt(at + 1))) {
        ++at;
        value();
      }
    }
  }

  private String basicString() {
    StringBuilder content = new StringBuilder();
    for (++at; !text.startsWith("\"", at); ++at) {
      if (at >= text.length() || text.charAt(at) == '\n') throw new IllegalArgumentException("open string");
      char c = text.charAt(at);
      if (c != '\\') {
        content.append(c);
        continue;
      }
      char escaped = ++at < text.length() ? text.charAt(at) : ' ';
      int digits = escaped == 'u' ? 4 : escaped == 'U' ? 8 : 0;
      if (digits > 0 && at + digits < text.length()) {
        content.appendCodePoint(Integer.parseInt(text.substring(at + 1, at + 1 + digits), 16));
        at += digits;
      } else {
        int index = "btnfr\"\\".indexOf(escaped);
        if (index < 0) throw new IllegalArgumentException("escape");
        content.append("\b\t\n\f\r\"\\".charAt(index));
      }
    }
    ++at;
    return content.toString();
  }

  private String literalString() {
    int end = text.indexOf('\'', at + 1);
    int line = text.indexOf('\n', at + 1);
    if (end < 0 || line >= 0 && line < end) throw new IllegalArgumentException("open string");
    String content = text.substring(at + 1, end);
    at = end + 1;
    return content;
  }

  private void expect(String what) {
    skipBlanks(false);
    if (!text.startsWith(what, at)) throw new IllegalArgumentException("expected " + what);
    at += what.length();
  }

  // Passes over blanks and comments, and with {@code lines} over line ends too.
  private void skipBlanks(boolean lines) {
    while (at < text.length()) {
      char c = text.charAt(at);
      if (c == '#') {
        while (at < text.length() && text.charAt(at) != '\n') ++at;
      } else if (c == ' ' || c == '\t' || lines && (c == '\r' || c == '\n')) {
        ++at;
      } else {
        return;
      }
    }
  }

  private boolean lineEnds() {
    if (text.startsWith("\r\n", at)) at += 2;
    else if (text.startsWith("\n", at)) at += 1;
    else return false;
    return true;
  }
}
