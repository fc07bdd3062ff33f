package org.quillmark;

import java.io.File;
import java.io.FileReader;
import java.io.IOException;
import java.lang.reflect.Field;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.concurrent.CountDownLatch;
import org.quillmark.help.Help;

/**
 * The sample application that the shipped launcher starts. It prints what it
 * received and, by its arguments, shows what a hosted application can do:
 *
 * <pre>
 *   --out TEXT    write TEXT to System.out
 *   --err TEXT    write TEXT to System.err
 *   --throw       end main with an exception
 *   --exit N      end the process with System.exit(N)
 *   --block       wait until a second main call passes --stop
 *   --stop        (second call) let a blocked first call return
 *   --sleep MS    wait MS milliseconds, then go on
 *   --hook MS     add a shutdown hook that takes MS milliseconds
 *   --files NAME  how java.io, java.nio.file and a native open see the relative NAME
 *   --opens       whether java.lang is open to this class (--add-opens)
 * </pre>
 */
public final class Quillmark {
  private static final CountDownLatch STOP = new CountDownLatch(1);

  private Quillmark() {}

  private static void showFile(String name) {
    System.out.println("file exists: " + new File(name).exists());
    System.out.println("nio exists: " + Files.exists(Paths.get(name)));
    System.out.println("nio absolute: " + Paths.get(name).toAbsolutePath());
    try (FileReader reader = new FileReader(name)) {
      System.out.println("reader: opened");
    } catch (IOException e) {
      System.out.println("reader: " + e.getClass().getSimpleName());
    }
  }

  private static boolean javaLangOpen() {
    try {
      Field value = String.class.getDeclaredField("value");
      value.setAccessible(true);
      return true;
    } catch (ReflectiveOperationException | RuntimeException e) {
      return false;
    }
  }

  public static void main(String[] args) throws Exception {
    System.out.println("Quillmark started by Corvane on thread \""
        + Thread.currentThread().getName() + "\"");
    System.out.println("arguments: " + args.length);
    for (String arg : args) {
      System.out.println("argument: [" + arg + "]");
    }
    System.out.println("user.dir: " + System.getProperty("user.dir"));
    System.out.println("Corvane property: " + System.getProperty("Corvane"));
    System.out.println(Help.banner());
    boolean block = false;
    for (int i = 0; i < args.length; i++) {
      switch (args[i]) {
        case "--out":
          System.out.println(args[++i]);
          break;
        case "--err":
          System.err.println(args[++i]);
          break;
        case "--throw":
          throw new IllegalStateException("Quillmark was asked to fail");
        case "--exit":
          System.out.flush();
          System.exit(Integer.parseInt(args[++i]));
          break;
        case "--block":
          block = true;
          break;
        case "--sleep":
          Thread.sleep(Long.parseLong(args[++i]));
          System.out.println("slept");
          break;
        case "--hook":
          addShutdownHook(Long.parseLong(args[++i]));
          break;
        case "--files":
          showFile(args[++i]);
          break;
        case "--opens":
          System.out.println("java.lang: " + (javaLangOpen() ? "open" : "closed"));
          break;
        case "--stop":
          System.out.println("stop requested");
          STOP.countDown();
          break;
        default:
          break;
      }
    }
    if (block) {
      System.out.println("waiting for the stop call");
      System.out.flush();
      STOP.await();
      System.out.println("stopped");
    }
    System.out.flush();
  }

  private static void addShutdownHook(long milliseconds) {
    Runtime.getRuntime().addShutdownHook(new Thread(() -> {
      System.out.println("shutdown hook running");
      System.out.flush();
      try {
        Thread.sleep(milliseconds);
      } catch (InterruptedException e) {
        Thread.currentThread().interrupt();
      }
      System.out.println("shutdown hook done");
      System.out.flush();
    }));
  }
}
