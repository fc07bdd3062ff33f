#!/usr/bin/env python3
"""Writes the Java sources of a program that loads many classes at start: COUNT
classes that each implement an interface, hold a table and a name, and a main class
that touches every one of them once and prints a checksum. OUTPUT_DIR/sources.txt
lists the files for javac's @ argument.

    bench/generate_classes.py OUTPUT_DIR [COUNT]
"""

import os
import sys

CLASS = """package gen;

public final class C{n} implements java.util.function.IntSupplier {{
  private static final int[] TABLE = new int[{size}];
  private final String name = "C{n}";

  @Override
  public int getAsInt() {{
    return TABLE.length + name.length();
  }}

  static int touch(int sum) {{
    return sum * 31 + {n} + new C{n}().getAsInt();
  }}
}}
"""

# Touched in methods of at most 500 classes: one long method would not be compiled.
MAIN = """package gen;

public final class Main {{
{parts}
  public static void main(String[] args) {{
    int sum = 0;
{calls}
    System.out.println("classes: {count}, checksum: " + sum);
  }}
}}
"""


def main():
    out = os.path.join(sys.argv[1], "gen")
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 3000
    os.makedirs(out, exist_ok=True)
    for n in range(count):
        with open(os.path.join(out, "C%d.java" % n), "w") as source:
            source.write(CLASS.format(n=n, size=n % 7 + 1))
    parts, calls = [], []
    for first in range(0, count, 500):
        body = "".join("    sum = C%d.touch(sum);\n" % n
                       for n in range(first, min(first + 500, count)))
        parts.append("  private static int part%d(int sum) {\n%s    return sum;\n  }\n"
                     % (first, body))
        calls.append("    sum = part%d(sum);" % first)
    with open(os.path.join(out, "Main.java"), "w") as source:
        source.write(MAIN.format(parts="\n".join(parts), calls="\n".join(calls), count=count))
    with open(os.path.join(sys.argv[1], "sources.txt"), "w") as listing:
        for name in ["Main"] + ["C%d" % n for n in range(count)]:
            listing.write(os.path.join(out, name + ".java") + "\n")


if __name__ == "__main__":
    main()
