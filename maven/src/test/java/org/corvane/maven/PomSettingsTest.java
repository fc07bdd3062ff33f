package org.corvane.maven;

import static org.junit.Assert.assertEquals;

import java.io.File;
import java.io.StringReader;
import java.util.Set;
import org.codehaus.plexus.util.xml.Xpp3DomBuilder;
import org.junit.Test;

public class PomSettingsTest {
  // A part of what corvane-make --keys prints.
  static final ConfigKeys KEYS = ConfigKeys.parse("JvmOptions string\nMainClass string\n"
      + "AllowMultipleInstances boolean\nSplashSeconds integer\nIcon file\nConsole boolean\n"
      + "RuntimeMinVersion string\nversion.FileVersion string\nversion.CompanyName string\n"
      + "bundle.jdk file\nbundle.modules array\nbundle.extra-modules array\nbundle.archive boolean\n"
      + "sign.certificate file\nsign.password-env string\n");

  static String layer(String configuration) throws Exception {
    return PomSettings.layer(Xpp3DomBuilder.build(new StringReader(configuration)),
        Set.of("targets", "configFile"), KEYS, new File("/project")).text();
  }

  @Test
  public void eachParameterIsItsKeyInTheKeysType() throws Exception {
    assertEquals("MainClass = \"org.quillmark.Quillmark\"\n"
            + "AllowMultipleInstances = true\n"
            + "SplashSeconds = 3\n"
            + "RuntimeMinVersion = \"17\"\n"
            + "Icon = \"/project/src/app.ico\"\n"
            + "JvmOptions = \"\"\n"
            + "[version]\nFileVersion = \"1.4\"\nCompanyName = \"Q \\\"&\\\" Co\"\n",
        layer("<configuration><targets><target>linux</target></targets>"
            + "<configFile>a.toml</configFile>"
            + "<mainClass> org.quillmark.Quillmark </mainClass>"
            + "<allowMultipleInstances>true</allowMultipleInstances>"
            + "<splashSeconds>3</splashSeconds><runtimeMinVersion>17</runtimeMinVersion>"
            + "<icon>src/app.ico</icon><jvmOptions/>"
            + "<version><fileVersion>1.4</fileVersion><companyName>Q \"&amp;\" Co</companyName></version>"
            + "</configuration>"));
  }

  @Test
  public void whatCorvaneMakeMustRefuseReachesItAsWritten() throws Exception {
    // A value that is not of the key's type goes as a string, and an unknown parameter as
    // the key it would be: corvane-make names both, and the plugin maps the name back.
    assertEquals("AllowMultipleInstances = \"yes\"\nSplashSeconds = \"2.5\"\nMainclass = \"a.B\"\n"
            + "JvmOptions = \"-Da=\\\\x\\u000A-Db\"\n[version]\nColour = \"red\"\n",
        layer("<configuration><allowMultipleInstances>yes</allowMultipleInstances>"
            + "<splashSeconds>2.5</splashSeconds><mainclass>a.B</mainclass>"
            + "<jvmOptions>-Da=\\x&#10;-Db</jvmOptions>"
            + "<version><colour>red</colour></version></configuration>"));
    assertEquals("mainclass", ConfigKeys.parameterOf("Mainclass"));
    assertEquals("version/fileVersion", ConfigKeys.parameterOf("version.FileVersion"));
  }

  @Test
  public void bundleIsATableWhoseModulesAreLists() throws Exception {
    assertEquals("[bundle]\njdk = \"/project/jdk\"\nmodules = [\"java.base\", \"java.sql\"]\n"
            + "extra-modules = [\"jdk.crypto.ec\", \"java.net.http\"]\narchive = true\n",
        layer("<configuration><bundle><jdk>jdk</jdk>"
            + "<modules><module>java.base</module><module>java.sql</module></modules>"
            + "<extra-modules>jdk.crypto.ec, java.net.http</extra-modules>"
            + "<archive>true</archive></bundle></configuration>"));
    assertEquals("[bundle]\n", layer("<configuration><bundle/></configuration>"));
  }

  @Test
  public void theSignTableGoesToTheWindowsLaunchersAlone() throws Exception {
    TomlLayer pom = PomSettings.layer(Xpp3DomBuilder.build(new StringReader(
        "<configuration><mainClass>a.B</mainClass><sign><certificate>keys/code.p12</certificate>"
            + "<password-env>SIGN_PASSWORD</password-env></sign></configuration>")),
        Set.of(), KEYS, new File("/project"));
    assertEquals("MainClass = \"a.B\"\n[sign]\ncertificate = \"/project/keys/code.p12\"\n"
        + "password-env = \"SIGN_PASSWORD\"\n", pom.text());
    assertEquals("MainClass = \"a.B\"\n", pom.withoutTable("sign").text());
  }
}
