#include "platform/Env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>
#ifdef _WIN32
#include <io.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "platform/FakeEnv.h"
#include "testutil/TempDir.h"

using platform::Env;
using platform::JoinCommandLine;
using platform::QuoteArgument;
using testutil::TempDir;

namespace {

std::string ChildProgram() {
#ifdef _WIN32
  return testutil::Join(testutil::BinDir(), "trelvax_child.exe");
#else
  return testutil::Join(testutil::BinDir(), "trelvax_child");
#endif
}

}  // namespace

TEST(CommandLine, PlainPathsArePassedUnquotedWithSingleSpaces) {
  EXPECT_EQ(JoinCommandLine("C:\\ELZAB~1\\OTypUrz.exe",
                            {"C:\\URZ_1\\otypurz.in", "C:\\URZ_1\\otypurz.out"}),
            "C:\\ELZAB~1\\OTypUrz.exe C:\\URZ_1\\otypurz.in C:\\URZ_1\\otypurz.out");
}

TEST(CommandLine, WordsWithBlanksAreQuoted) {
  EXPECT_EQ(QuoteArgument("C:\\Program Files\\x.in"), "\"C:\\Program Files\\x.in\"");
  EXPECT_EQ(QuoteArgument("a\tb"), "\"a\tb\"");
  EXPECT_EQ(QuoteArgument(""), "\"\"");
  // A trailing backslash inside quotes must be doubled, or it would escape the quote.
  EXPECT_EQ(QuoteArgument("C:\\My Dir\\"), "\"C:\\My Dir\\\\\"");
  EXPECT_EQ(QuoteArgument("say \"hi\""), "\"say \\\"hi\\\"\"");
}

TEST(RunProgram, RunsInTheGivenDirectoryWithSpacesAndReturnsTheExitCode) {
  TempDir tmp("run");
  std::string dir = tmp.Path() + "exchange dir";
  ASSERT_TRUE(Env::Default()->MakeDirectories(dir));
  platform::RunResult r =
      Env::Default()->RunProgram(ChildProgram(), {"7", "with space", "plain"}, dir);
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_EQ(r.exitCode, 7u);
  std::string out = testutil::ReadFile(testutil::Join(dir, "child.txt"));
  EXPECT_NE(out.find("exchange dir\n"), std::string::npos) << out;
  EXPECT_NE(out.find("arg=7\narg=with space\narg=plain\n"), std::string::npos) << out;
}

TEST(RunProgram, AProgramThatEndsByItselfIsNotStoppedAndKeepsItsExitCode) {
  TempDir tmp("run");
  int asked = 0;
  platform::RunResult r = Env::Default()->RunProgram(ChildProgram(), {"7"}, tmp.Path(), [&] {
    ++asked;
    return false;
  });
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ(r.exitCode, 7u);
}

TEST(RunProgram, AProgramThatNeverEndsIsEndedWhenStopAnswersTrue) {
  TempDir tmp("run");
  int asked = 0;
  platform::RunResult r = Env::Default()->RunProgram(ChildProgram(), {"hang"}, tmp.Path(), [&] {
    return ++asked == 2;  // the first question says go on: the wait must ask again
  });
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(Env::Default()->FileExists(tmp.File("child.txt")));
}

TEST(RunProgram, AProgramThatDoesNotExistIsNotStartedAndSaysWhyInPolish) {
  TempDir tmp("run");
  platform::RunResult r =
      Env::Default()->RunProgram(tmp.File("no-such-program.exe"), {}, tmp.Path());
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.error, "nie ma takiego pliku (kod 2)");
  // A folder that is not there is named so, as Windows names it (there with code 3).
  r = Env::Default()->RunProgram(tmp.File("brak") + platform::kPathSeparator + "x.exe", {},
                                 tmp.Path());
  EXPECT_FALSE(r.started);
#ifdef _WIN32
  EXPECT_EQ(r.error, "nie ma takiego folderu (kod 3)");
#else
  EXPECT_EQ(r.error, "nie ma takiego folderu (kod 2)");
#endif
}

#ifndef _WIN32
// A folder the program cannot work in is not a program that is not there; a relative program
// is found from the host's folder, as Windows finds it; reasons met less often are Polish too.
TEST(RunProgram, AMissingWorkingFolderARelativeProgramAndRarerReasons) {
  TempDir tmp("run");
  platform::RunResult r = Env::Default()->RunProgram(ChildProgram(), {"7"}, tmp.File("brak"));
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.error, "nie ma folderu roboczego " + tmp.File("brak") + " (kod 2)");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
  ASSERT_EQ(chdir(testutil::BinDir().c_str()), 0);
  r = Env::Default()->RunProgram("./trelvax_child", {"7"}, tmp.Path());
  ASSERT_EQ(chdir(cwd), 0);
  EXPECT_TRUE(r.started) << r.error;
  EXPECT_EQ(r.exitCode, 7u);
  EXPECT_EQ(Env::Default()->OpenFile(tmp.File(std::string(300, 'x')), "rb"), nullptr);
  EXPECT_EQ(platform::FileErrorReason(tmp.File(std::string(300, 'x'))),
            "ścieżka albo nazwa pliku jest za długa (kod 36)");
}
#endif

// Ending a program on request ends what it started too: a helper it left running would keep
// the port, and the next program could not open it.
// A helper that leaves the program's process group is ended too.
TEST(RunProgram, EndingAProgramEndsWhatItStarted) {
  for (const char* mode : {"spawn", "spawnaway"}) {
    SCOPED_TRACE(mode);
    TempDir tmp("run");
    auto beats = [&] { return testutil::ReadFile(tmp.File("beat.txt")).size(); };
    platform::RunResult r = Env::Default()->RunProgram(ChildProgram(), {mode}, tmp.Path(),
                                                       [&] { return beats() >= 2; });
    ASSERT_TRUE(r.started) << r.error;
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.stuck);
    // Whatever still lives beats every 20 ms.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const size_t after = beats();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(beats(), after);
  }
}

#ifndef _WIN32
// The host's own handling of SIGCHLD is none of the run's business: a host that ignores it
// (children are then reaped by the system) or reaps every child in a handler still learns
// how the program ended, instead of taking a program that ran for one never started.
TEST(RunProgram, AHostThatIgnoresOrReapsChildrenStillGetsTheExitCode) {
  struct sigaction ignore {
  }, reap{}, before{};
  ignore.sa_handler = SIG_IGN;
  reap.sa_handler = [](int) {
    const int saved = errno;
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    errno = saved;
  };
  reap.sa_flags = SA_RESTART;
  for (const struct sigaction* handling : {&ignore, &reap}) {
    TempDir tmp("run");
    ASSERT_EQ(sigaction(SIGCHLD, handling, &before), 0);
    platform::RunResult r = Env::Default()->RunProgram(ChildProgram(), {"7"}, tmp.Path());
    platform::RunResult stopped =
        Env::Default()->RunProgram(ChildProgram(), {"7"}, tmp.Path(), [] { return false; });
    sigaction(SIGCHLD, &before, nullptr);
    EXPECT_TRUE(r.started) << r.error;
    EXPECT_EQ(r.exitCode, 7u);
    EXPECT_TRUE(stopped.started) << stopped.error;
    EXPECT_EQ(stopped.exitCode, 7u);
  }
}

// The host's shared-resource lock is never inherited: a program, or a helper it left behind,
// would otherwise hold it for as long as it lives.
TEST(RunProgram, TheHostsSharedLockIsNotInherited) {
  TempDir tmp("run");
  platform::InterProcessLock lock("inherit-test");
  ASSERT_TRUE(lock.TryLock());
  int fd = -1;
  for (int i = 3; i < 1024 && fd < 0; ++i) {
    char target[4096] = {0};
    const std::string link = "/proc/self/fd/" + std::to_string(i);
    if (readlink(link.c_str(), target, sizeof(target) - 1) > 0 &&
        std::string(target).find("trelvax-lock-inherit-test") != std::string::npos) {
      fd = i;
    }
  }
  ASSERT_GE(fd, 0);
  platform::RunResult r =
      Env::Default()->RunProgram(ChildProgram(), {"inherits", std::to_string(fd)}, tmp.Path());
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_NE(testutil::ReadFile(tmp.File("child.txt")).find("inherited=no"), std::string::npos);
}

// Nor does the warden that waits for the program: a fork that keeps the host's descriptors,
// it would hold the host's locks past the host's death while a program waits for its device.
TEST(RunProgram, TheWardenHoldsNoneOfTheHostsLocks) {
  TempDir tmp("run");
  platform::InterProcessLock lock("warden-test");
  ASSERT_TRUE(lock.TryLock());
  bool held = false;
  void* dirLock = Env::Default()->LockFile(tmp.File("trelvax.lck"), held);
  ASSERT_NE(dirLock, nullptr);
  std::vector<std::string> seen;
  platform::RunResult r = Env::Default()->RunProgram(ChildProgram(), {"hang"}, tmp.Path(), [&] {
    // The host's children are the wardens; what each holds open is listed in /proc.
    const std::string self = std::to_string(getpid());
    for (const auto& p : std::filesystem::directory_iterator("/proc")) {
      const std::string stat = testutil::ReadFile(p.path().string() + "/stat");
      const size_t close = stat.rfind(')');
      if (close == std::string::npos || stat.compare(close + 4, self.size() + 1, self + " ") != 0) {
        continue;
      }
      std::error_code ec;
      for (const auto& fd : std::filesystem::directory_iterator(p.path() / "fd", ec)) {
        seen.push_back(std::filesystem::read_symlink(fd.path(), ec).string());
      }
    }
    return true;
  });
  Env::Default()->UnlockFile(dirLock);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(seen.empty());
  for (const std::string& target : seen) {
    EXPECT_EQ(target.find("trelvax-lock-"), std::string::npos) << target;
    EXPECT_EQ(target.find("trelvax.lck"), std::string::npos) << target;
  }
}

// A host killed while a program runs takes the program along, with its helpers: left running,
// they would keep the exchange directory and the port busy.
TEST(RunProgram, AProgramAndItsHelpersEndWithTheirHost) {
  TempDir tmp("run");
  auto beats = [&] { return testutil::ReadFile(tmp.File("beat.txt")).size(); };
  const pid_t host = fork();
  ASSERT_GE(host, 0);
  if (host == 0) {
    Env::Default()->RunProgram(ChildProgram(), {"spawnaway"}, tmp.Path());
    _exit(0);
  }
  for (int waited = 0; beats() < 2 && waited < 10000; waited += 20) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GE(beats(), 2u);
  kill(host, SIGKILL);
  waitpid(host, nullptr, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const size_t after = beats();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(beats(), after);
}
#endif

// A program started meanwhile does not get the files the driver has open: it would hold them
// open for as long as it runs, and they could not be deleted. A file opened without the seam
// is, which shows that the check sees an inherited one.
TEST(RunProgram, FilesOpenedThroughTheSeamAreNotInherited) {
  TempDir tmp("run");
  auto inherited = [&](std::FILE* file) {
#ifdef _WIN32
    const long long handle = static_cast<long long>(_get_osfhandle(_fileno(file)));
#else
    const long long handle = fileno(file);
#endif
    std::remove(tmp.File("child.txt").c_str());
    platform::RunResult r = Env::Default()->RunProgram(
        ChildProgram(), {"inherits", std::to_string(handle)}, tmp.Path());
    EXPECT_TRUE(r.started) << r.error;
    return testutil::ReadFile(tmp.File("child.txt")).find("inherited=yes") != std::string::npos;
  };
  std::FILE* own = Env::Default()->OpenFile(tmp.File("own.txt"), "w+b");
  ASSERT_NE(own, nullptr);
  EXPECT_FALSE(inherited(own));
  Env::Default()->CloseFile(own);
  std::FILE* plain = std::fopen(tmp.File("plain.txt").c_str(), "w+b");
  ASSERT_NE(plain, nullptr);
  EXPECT_TRUE(inherited(plain));
  std::fclose(plain);
}

TEST(ShortPath, AnExistingDirectoryWithSpacesHasAShortFormWithoutThem) {
  TempDir tmp("short");
  std::string dir = tmp.Path() + "Program Files Of Elzab";
  ASSERT_TRUE(Env::Default()->MakeDirectories(dir));
  std::string shortForm = Env::Default()->ShortPath(dir);
#ifdef _WIN32
  EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
  EXPECT_TRUE(Env::Default()->DirectoryExists(shortForm));
  EXPECT_LE(shortForm.size(), 260u);
#else
  EXPECT_EQ(shortForm, dir);
#endif
}

TEST(ShortPath, AMissingPathComesBackUnchanged) {
  TempDir tmp("short");
  std::string missing = tmp.Path() + "not here" + platform::kPathSeparator + "x.txt";
  EXPECT_EQ(Env::Default()->ShortPath(missing), missing);
}

TEST(Files, ExistenceDeletionAndDirectoriesWithParents) {
  TempDir tmp("files");
  Env* env = Env::Default();
  std::string nested =
      tmp.Path() + "a" + platform::kPathSeparator + "b c" + platform::kPathSeparator + "d";
  EXPECT_FALSE(env->DirectoryExists(nested));
  EXPECT_TRUE(env->MakeDirectories(nested));
  EXPECT_TRUE(env->DirectoryExists(nested));
  EXPECT_FALSE(env->FileExists(nested));

  std::string file = testutil::Join(nested, "f.txt");
  EXPECT_FALSE(env->RemoveFile(file));
  EXPECT_TRUE(env->CreateNewFile(file, "test"));
  EXPECT_TRUE(env->FileExists(file));
  EXPECT_FALSE(env->DirectoryExists(file));
  EXPECT_EQ(testutil::ReadFile(file), "test");
  // Exclusive creation fails on an existing file and leaves it alone.
  EXPECT_FALSE(env->CreateNewFile(file, "other"));
  EXPECT_EQ(testutil::ReadFile(file), "test");
  EXPECT_TRUE(env->RemoveFile(file));
  EXPECT_FALSE(env->FileExists(file));
  EXPECT_FALSE(env->FileExists(""));
}

// Everything inside is Windows-1250; a POSIX system names files, arguments and environment
// values in UTF-8, so a folder a person made there with Polish letters is the one the seam
// reaches, and a program run there reads its Polish argument as the person typed it.
TEST(Files, PolishNamesReachTheSystemInItsOwnEncoding) {
  const std::string name = "Łódź ż";
#ifndef _WIN32
  ASSERT_EQ(platform::NativeText(name),
            "\xC5\x81\xC3\xB3"
            "d\xC5\xBA \xC5\xBC");
  // A name the system gives back in Polish comes in as Windows-1250.
  EXPECT_EQ(platform::FromNativeText("\xC5\x81\xC3\xB3"
                                     "d\xC5\xBA"),
            "Łódź");
  EXPECT_EQ(platform::FromNativeText("\xB3"), "\xB3");  // no UTF-8: taken as it is
  // A name the code page cannot spell at all stays the system's, both ways.
  for (const char* beyond : {"a\xC3\xB1o", "\xD1\x82\xD0\xBC\xD0\xBF", "\xC5\x81\xC3\xB1"}) {
    EXPECT_EQ(platform::FromNativeText(beyond), beyond);
    EXPECT_EQ(platform::NativeText(beyond), beyond);
  }
#endif
  TempDir tmp("names");
  Env* env = Env::Default();
  const std::string dir = tmp.Path() + name;
  ASSERT_TRUE(env->MakeDirectories(dir));
  EXPECT_TRUE(env->DirectoryExists(dir));
#ifndef _WIN32
  bool listed = false;
  for (const auto& e : std::filesystem::directory_iterator(platform::NativeText(tmp.Path()))) {
    listed = listed || e.path().filename().string() == platform::NativeText(name);
  }
  EXPECT_TRUE(listed);
  // A folder the system names beyond the code page (a temporary folder in Cyrillic) is reached
  // through what the system gave.
  const std::string beyond =
      platform::FromNativeText(platform::NativeText(tmp.Path()) + "\xD1\x82\xD0\xBC\xD0\xBF");
  ASSERT_TRUE(env->MakeDirectories(beyond));
  EXPECT_TRUE(
      std::filesystem::is_directory(platform::NativeText(tmp.Path()) + "\xD1\x82\xD0\xBC\xD0\xBF"));
  EXPECT_TRUE(env->CreateNewFile(beyond + "/f.txt", "x"));
  EXPECT_EQ(testutil::ReadFile(beyond + "/f.txt"), "x");
#endif
  const std::string file = testutil::Join(dir, "ąę.txt");
  EXPECT_TRUE(env->CreateNewFile(file, "x"));
  int64_t size = 0, modified = 0;
  EXPECT_TRUE(env->FileStamp(file, size, modified));
  EXPECT_TRUE(env->RenameFile(file, file + ".ś"));
  EXPECT_TRUE(env->RemoveFile(file + ".ś"));

  platform::RunResult r = env->RunProgram(ChildProgram(), {"7", "zażółć"}, dir);
  ASSERT_TRUE(r.started) << r.error;
  const std::string out = testutil::ReadFile(testutil::Join(dir, "child.txt"));
  EXPECT_NE(out.find(platform::NativeText(name) + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find("arg=" + platform::NativeText("zażółć") + "\n"), std::string::npos) << out;

  platform::SetEnvironmentValue("TRELVAX_TEST_NAME", name);
  EXPECT_EQ(platform::GetEnvironmentValue("TRELVAX_TEST_NAME"), name);
  platform::SetEnvironmentValue("TRELVAX_TEST_NAME", "");
}

// A long run judges leaks by these figures, so each must move with what the process holds:
// under Wine the handle count comes from the system's handle table, not GetProcessHandleCount.
TEST(CurrentUsage, CountsMemoryThreadsAndTheFilesThisProcessHolds) {
  TempDir tmp("usage");
  Env* env = Env::Default();
  const platform::ProcessUsage before = platform::CurrentUsage();
  EXPECT_GT(before.memoryBytes, 0);
  EXPECT_GE(before.threads, 1);
  std::vector<std::FILE*> open;
  for (int i = 0; i < 10; ++i) {
    open.push_back(env->OpenFile(testutil::Join(tmp.Path(), std::to_string(i) + ".txt"), "wb"));
    ASSERT_NE(open.back(), nullptr);
  }
  const platform::ProcessUsage holding = platform::CurrentUsage();
  for (std::FILE* f : open) std::fclose(f);
  const platform::ProcessUsage after = platform::CurrentUsage();
  EXPECT_GE(holding.handles, before.handles + 10);
  EXPECT_LE(after.handles, holding.handles - 10);
}

TEST(Registry, ReadsAStringValueInThe32BitView) {
  Env* env = Env::Default();
  const std::string key = "SOFTWARE\\KALMORA\\TrelvaxTest\\Instalacja";
#ifdef _WIN32
  std::string reg = "C:\\windows\\system32\\reg.exe";
  std::string full = "HKLM\\" + key;
  platform::RunResult r32 = env->RunProgram(
      reg, {"add", full, "/v", "Binaria", "/t", "REG_SZ", "/d", "C:\\Tvk 32\\", "/f", "/reg:32"},
      "C:\\");
  ASSERT_TRUE(r32.started && r32.exitCode == 0) << r32.error;
  platform::RunResult r64 = env->RunProgram(
      reg, {"add", full, "/v", "Binaria", "/t", "REG_SZ", "/d", "C:\\Tvk 64\\", "/f", "/reg:64"},
      "C:\\");
  ASSERT_TRUE(r64.started && r64.exitCode == 0) << r64.error;
  EXPECT_EQ(env->ReadRegistryString(key, "Binaria"), "C:\\Tvk 32\\");
  EXPECT_EQ(env->ReadRegistryString(key, "Brak"), "");
  EXPECT_EQ(env->ReadRegistryString(key + "\\Brak", "Binaria"), "");
#else
  EXPECT_EQ(env->ReadRegistryString(key, "Binaria"), "");
#endif
}

TEST(Clock, NowIsTodayAsADayCount) {
  double now = Env::Default()->Now();
  EXPECT_GT(now, 46000.0);  // after December 2025
  EXPECT_LT(now, 60000.0);
}

TEST(FakeEnv, SleepingMovesTheClockWithoutWaiting) {
  platform::FakeEnv fake;
  double start = fake.Now();
  fake.SleepMs(1000);
  fake.SleepMs(100);
  EXPECT_NEAR((fake.Now() - start) * 86400.0, 1.1, 1e-6);
  EXPECT_EQ(fake.sleeps, (std::vector<int>{1000, 100}));
}

TEST(FakeEnv, ScopedEnvInstallsAndRestores) {
  platform::FakeEnv fake;
  {
    platform::ScopedEnv scope(&fake);
    EXPECT_EQ(platform::CurrentEnv(), &fake);
  }
  EXPECT_EQ(platform::CurrentEnv(), Env::Default());
}

TEST(InterProcessLock, OneHolderAtATime) {
  std::string name = "test-" + std::to_string(platform::ProcessId());
  platform::InterProcessLock a(name);
  platform::InterProcessLock b(name);
  ASSERT_TRUE(a.TryLock());
#ifndef _WIN32
  // A Windows mutex may be re-entered by the thread that holds it; across processes (the
  // host's tests) it excludes like the POSIX lock does here.
  EXPECT_FALSE(b.TryLock());
#endif
  a.Unlock();
  EXPECT_TRUE(b.TryLock());
  b.Unlock();
}

TEST(DynamicLibrary, AMissingLibraryReportsWhy) {
  platform::DynamicLibrary lib;
  EXPECT_FALSE(lib.Open("no-such-library-here.dll"));
  EXPECT_FALSE(lib.Error().empty());
  EXPECT_EQ(lib.Symbol("x"), nullptr);
}

TEST(Paths, DirectoryAndFileName) {
  EXPECT_EQ(platform::DirectoryOf("C:\\a\\b.exe"), "C:\\a");
  EXPECT_EQ(platform::DirectoryOf("/x/y"), "/x");
  EXPECT_EQ(platform::DirectoryOf("b.exe"), ".");
  EXPECT_EQ(platform::FileNameOf("C:\\a\\OTypUrz.exe"), "OTypUrz.exe");
  EXPECT_EQ(platform::FileNameOf("/x/y/ZBPTowar.exe"), "ZBPTowar.exe");
}
