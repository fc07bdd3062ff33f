package org.corvane.maven;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertNull;

import java.nio.file.Path;
import java.util.List;
import org.junit.Test;

public class CorvaneMakeTest {
  static final Path POM = Path.of("/p/target/corvane/pom.toml");
  static final Path DEFAULTS = Path.of("/p/target/corvane/win64-defaults.toml");

  @Test
  public void faultsOfWrittenLayersNameTheirSource() {
    String[][] cases = {
      {"corvane-make: /p/target/corvane/pom.toml:3: MainClass: \"a/B\" is not a Java class name",
       "POM parameter mainClass: \"a/B\" is not a Java class name"},
      {"corvane-make: /p/target/corvane/pom.toml:7: version.FileVersion: must be a string",
       "POM parameter version/fileVersion: must be a string"},
      {"corvane-make: /p/target/corvane/win64-defaults.toml:1: ClassPath: the text is 2000 characters",
       "the default made from the project for ClassPath: the text is 2000 characters"},
      // The user's own file keeps its line; other faults stay as they are.
      {"corvane-make: /p/app.toml:4: Icon: must be a file name",
       "/p/app.toml:4: Icon: must be a file name"},
      {"corvane-make: note: the linux target carries no icon\ncorvane-make: out.exe: cannot write",
       "out.exe: cannot write"},
    };
    for (String[] c : cases) assertEquals(c[1], CorvaneMake.explain(c[0], POM, DEFAULTS));
    assertEquals(List.of("the linux target carries no icon"),
        CorvaneMake.notes("corvane-make: note: the linux target carries no icon\nother\n"));
  }

  @Test
  public void carriesTheToolForLinuxOnX8664AndForWindows() {
    assertEquals("bin/linux-x86_64/corvane-make", CorvaneMake.toolResource("Linux", "amd64"));
    assertEquals("bin/windows/corvane-make.exe", CorvaneMake.toolResource("Windows 11", "amd64"));
    assertEquals("bin/windows/corvane-make.exe", CorvaneMake.toolResource("Windows 10", "x86"));
    assertNull(CorvaneMake.toolResource("Linux", "aarch64"));
    assertNull(CorvaneMake.toolResource("Mac OS X", "x86_64"));
  }
}
