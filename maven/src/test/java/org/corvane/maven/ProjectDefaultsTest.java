package org.corvane.maven;

import static org.junit.Assert.assertEquals;

import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import org.junit.Test;

public class ProjectDefaultsTest {
  @Test
  public void versionNumbersAreTheLeadingNumbersThatFit() {
    String[][] cases = {{"1.4.2-SNAPSHOT", "1.4.2"}, {"2", "2"}, {"1.2.3.4.5", "1.2.3.4"},
        {"3.0-rc.1", "3.0"}, {"1.70000", "1"}, {"v1.0", null}, {"", null}, {"1..2", "1"}};
    for (String[] c : cases) assertEquals(c[0], c[1], ProjectDefaults.versionNumbers(c[0]));
  }

  @Test
  public void classPathNamesTheArchivesOrTheirDirectoryWhenTooLong() {
    assertEquals("lib\\app-1.0.jar;lib\\jh-1.0.jar",
        ProjectDefaults.classPath(List.of("app-1.0.jar", "jh-1.0.jar"), '\\'));
    List<String> many = new ArrayList<>(Collections.nCopies(60, "some-library-1.2.3.jar"));
    assertEquals("lib", ProjectDefaults.classPath(many, '/'));
  }

  @Test
  public void theVersionResourceIsMadeOfTheProjects() {
    assertEquals("ClassPath = \"lib\\\\app.jar\"\n[version]\nFileVersion = \"1.4\"\n"
            + "ProductName = \"Quillmark\"\nFileDescription = \"Quillmark\"\n"
            + "CompanyName = \"Quillmark Project\"\n",
        ProjectDefaults.layer("win32", List.of("app.jar"), "Quillmark", "Quillmark Project",
            "1.4-SNAPSHOT").text());
    assertEquals("ClassPath = \"lib/app.jar\"\n[version]\nFileVersion = \"1.4\"\n",
        ProjectDefaults.layer("linux", List.of("app.jar"), "", null, "1.4").text());
    assertEquals("ClassPath = \"lib/app.jar\"\n",
        ProjectDefaults.layer("linux", List.of("app.jar"), "App", "Org", "snapshot").text());
  }

  @Test
  public void bothWindowsTargetsNameTheirLaunchersApart() {
    assertEquals("app.exe", LauncherMojo.outputFile("app", "win64", List.of("win64", "linux")));
    assertEquals("app", LauncherMojo.outputFile("app", "linux", List.of("win64", "linux")));
    assertEquals("app-win32.exe", LauncherMojo.outputFile("app", "win32", List.of("win32", "win64")));
  }
}
