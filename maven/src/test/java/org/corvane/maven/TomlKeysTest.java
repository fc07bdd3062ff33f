package org.corvane.maven;

import static org.junit.Assert.assertEquals;

import org.junit.Test;

public class TomlKeysTest {
  @Test
  public void readsTheKeysAsTomlDoesAndNothingInsideValues() {
    String[][] cases = {
      {"MainClass = \"q.App\" # c\n", "[MainClass]"},
      {"\"MainClass\" = \"q.App\"\r\n'MainJar' = 'a.jar'\n", "[MainClass, MainJar]"},
      {"\"Main\\u0043lass\" = \"q.App\"\n", "[MainClass]"},
      {"JvmOptions = \"\"\"\nMainClass = \"q.App\"\n\"\"\"\"\"\nA = '''\nMainJar = 1'''\n", "[JvmOptions, A]"},
      {"A = [\n  \"x\", # MainClass = 1\n  [1, 2],\n]\nB = { c = \"}\", d = [1] }\n", "[A, B]"},
      {"Console = true\n[bundle]\njdk = \"/j\"\n[ version ]\n\"x.y\" . z = 1979-05-27 07:32:00\n",
       "[Console, bundle, bundle.jdk, version, version.x.y.z]"},
      // Not TOML: corvane-make says why.
      {"MainClass = \n", "null"}, {"MainClass = \"q.App\n", "null"}, {"A = 1 B = 2\n", "null"},
      {"A = [1, 2\n", "null"},
    };
    for (String[] c : cases) assertEquals(c[0], c[1], String.valueOf(TomlKeys.of(c[0])));
  }
}
