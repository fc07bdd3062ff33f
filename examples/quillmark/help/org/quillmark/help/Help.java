package org.quillmark.help;

/** The help system of the sample, shipped in an archive of its own (jh.jar). */
public final class Help {
  private Help() {}

  public static String banner() {
    return "Quillmark help is available";
  }
}
