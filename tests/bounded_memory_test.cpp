// tests/bounded_memory_test.cpp: the command line's memory is bounded by its inputs, memory that
// runs out fails one file and the batch goes on, and a file of no points is no spectrum.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using test_support::write_file;

// Files of no points, and spectra of more than --max-points, are refused with the reason.
TEST(files_refused, for_no_points_or_more_than_max_points) {
  const test_support::scratch s{"no-points"};
  const fs::path& work = s.work;
  fs::copy_file(fs::path{ZOLKDF_TEST_DIR} / ".." / "examples" / "new.spc", work / "new.spc");
  const struct {
    std::string name, bytes, most, error;
  } cases[] = {
      // clang-format off
      {"a.xy",    "",                  "9", "no points"},
      {"a.6xy",   "",                  "9", "no points"},
      {"a.y",     "",                  "9", "no points"},
      {"n.y",     "100.0\n200.0\n-5\n", "9", "the count of points in the head, -5, is not positive"},
      {"z.y",     "100.0\n200.0\n0\n",  "9", "the count of points in the head, 0, is not positive"},
      {"h.csv",   "x,y\n",             "9", "line 1: no rows of numbers"},
      {"five.xy", "1 1\n2 2\n3 3\n4 4\n5 5\n", "4", "more points than --max-points allows (4)"},
      {"five.xy", "1 1\n2 2\n3 3\n4 4\n5 5\n", "5", ""},
      {"new.spc", "",                  "7", "byte 4: more points than --max-points allows (7)"},
      // clang-format on
  };
  for (const auto& c : cases) {
    if (!c.name.ends_with(".spc")) write_file(work / c.name, c.bytes);
    const auto r = test_support::run_zolkdf(work, "", {"info", "--max-points", c.most, c.name});
    EXPECT_EQ(r.err, c.error.empty() ? "" : "zolkdf: " + c.name + ": " + c.error + "\n");
    EXPECT_EQ(r.status, c.error.empty() ? 0 : 1) << c.name;
  }
  std::vector<std::string> args{"convert", "-t", "xy", "-d", "out"};
  for (int i = 0; i < 100; ++i)
    write_file(work / args.emplace_back(std::to_string(i) + ".6xy"), "");
  const auto r = test_support::run_zolkdf(work, "", args);
  EXPECT_TRUE(r.err.ends_with("zolkdf: 99.6xy: no points\nconverted 0 of 100 files; 100 failed\n"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(!fs::exists(work / "out") || fs::is_empty(work / "out"));
}

#ifndef _WIN32

#ifdef ZOLKDF_SANITIZE
constexpr bool sanitized = true;  // the sanitizers' shadow memory is no memory of the program
#else
constexpr bool sanitized = false;
#endif

// Runs zolkdf in work, its address space held below limit bytes where given, its output dropped;
// peak receives the most memory that it held resident at once, in bytes.
test_support::program_result run_measured(const fs::path& work, std::vector<std::string> args,
                                          std::uint64_t& peak, rlim_t limit = RLIM_INFINITY) {
  args.insert(args.begin(), ZOLKDF_BINARY);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string err = (work / "stderr").string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    const int to = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const rlimit l{limit, limit};
    if (::chdir(work.c_str()) != 0 || ::dup2(null, 0) < 0 || ::dup2(null, 1) < 0 ||
        ::dup2(to, 2) < 0 || (limit != RLIM_INFINITY && ::setrlimit(RLIMIT_AS, &l) != 0))
      ::_exit(126);
    ::execv(ZOLKDF_BINARY, argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  peak = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  return {"", test_support::read_file(err), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// `zolkdf info` and `zolkdf convert -t xy` of every shared sample and of hostile inputs end as
// their case says, holding no more than 64 MB and 4 times the input's size at once.
TEST(memory, stays_below_64_mb_and_4_times_the_input) {
  const test_support::scratch s{"memory"};
  const fs::path& work = s.work;
  const auto dup_lines = [](const char* line, int lines) {
    std::string text = "##TITLE=t\n##JCAMP-DX=4.24\n##FIRSTX=1\n##LASTX=2\n##XYDATA=(X++(Y..Y))\n";
    for (int i = 0; i < lines; ++i) text += line;
    return text + "##END=\n";
  };
  write_file(work / "near.jdx",
             dup_lines("1 A0s9\n", sanitized ? 1480 : 14800));    // 14 points a byte: read
  write_file(work / "bomb.jdx", dup_lines("1 A0s999\n", 11000));  // 111 a byte: refused
  write_file(work / "row.csv",
             "x,y\n1,2" + std::string(sanitized ? 1 << 20 : 10 << 20, ',') + "\n");
  struct memory_case {
    fs::path input;
    std::vector<std::string> options;
    int status;  // -1: either 0 or 1
    std::string error;
  };
  // clang-format off
  std::vector<memory_case> cases{
      {work / "near.jdx", {},                       0, ""},
      {work / "bomb.jdx", {},                       1, "a DUP count of more points than the file can hold"},
      {work / "row.csv",  {},                       0, ""},
      {"/dev/zero",       {"--max-points", "1000"}, 1, "larger than 129536 bytes"},  // its size
      {"/proc/kallsyms",  {},                       1, "the file grew while it was read"},
  };
  // clang-format on
  for (const char* folder : {"spc_samples", "jcamp_samples", "instrument_samples"})
    if (fs::is_directory(fs::path{ZOLKDF_SHARED_DIR} / folder))
      for (const auto& e : fs::recursive_directory_iterator(fs::path{ZOLKDF_SHARED_DIR} / folder))
        if (e.is_regular_file()) cases.push_back({e.path(), {}, -1, ""});
  // Outputs in memory where there is such a folder: a file of many spectra writes many.
  const fs::path out = fs::is_directory("/dev/shm")
                           ? fs::path{"/dev/shm/zolkdf-memory-" + std::to_string(::getpid())}
                           : work / "out";
  for (const memory_case& c : cases) {
    if (!fs::exists(c.input)) continue;
    const std::uint64_t size = c.input == "/dev/zero" ? 129536 : fs::file_size(c.input);
    for (std::vector<std::string> args :
         {std::vector<std::string>{"info"}, {"convert", "-t", "xy", "-d", out.string()}}) {
      if (sanitized && c.status < 0 && args[0] == "convert") continue;  // samples: info is enough
      args.insert(args.end(), c.options.begin(), c.options.end());
      args.push_back(c.input.string());
      std::uint64_t peak = 0;
      const auto r = run_measured(work, args, peak);
      EXPECT_TRUE(c.status >= 0 ? r.status == c.status : r.status == 0 || r.status == 1)
          << c.input << " " << r.err;
      EXPECT_NE(r.err.find(c.error), std::string::npos) << c.input << " " << r.err;
      EXPECT_TRUE(sanitized || peak < (64 << 20) + 4 * size) << c.input << " " << peak;
      fs::remove_all(out);
    }
  }
}

// Damaged headers of the binary files that instruments write: each of the first 256 words of a
// shared sample set in turn to the largest count, and the sample cut short. `info` of them all
// at once holds no more than 64 MB: no count is believed before the file's size is checked.
TEST(memory, stays_below_64_mb_on_damaged_instrument_headers) {
  const fs::path samples = fs::path{ZOLKDF_SHARED_DIR} / "instrument_samples";
  if (!fs::is_directory(samples)) GTEST_SKIP() << "no shared instrument samples at " << samples;
  const test_support::scratch s{"damaged-headers"};
  for (const auto& e : fs::directory_iterator(samples)) {
    const std::string name = e.path().filename().string();
    if (!e.is_regular_file() || name.ends_with(".txt") || name.ends_with(".md")) continue;
    const std::string bytes = test_support::read_file(e.path());
    std::vector<std::string> args{"info", "-f", ""};
    for (std::size_t at = 0; at + 4 <= bytes.size() && at < 1024; at += 4) {
      std::string damaged = bytes;
      damaged.replace(at, 4, "\xff\xff\xff\x7f");
      write_file(s.work / args.emplace_back(std::to_string(at) + "-" + name), damaged);
    }
    write_file(s.work / args.emplace_back("half-" + name), bytes.substr(0, bytes.size() / 2));
    // Read as what they are, whatever their first bytes show now.
    const auto formats =
        test_support::run_zolkdf(s.work, "", {"info", "--json", e.path().string()});
    const std::size_t format_at = formats.out.find("\"format\": \"");
    ASSERT_NE(format_at, std::string::npos) << name << " " << formats.err;
    args[2] =
        formats.out.substr(format_at + 11, formats.out.find('"', format_at + 11) - format_at - 11);
    std::uint64_t peak = 0;
    const auto r = run_measured(s.work, args, peak);
    EXPECT_TRUE(r.status == 0 || r.status == 1) << name << " " << r.err;
    EXPECT_TRUE(sanitized || peak < (64 << 20)) << name << " " << peak;
  }
}

TEST(memory_that_runs_out, fails_that_file_and_the_batch_goes_on) {
  if (sanitized) GTEST_SKIP() << "the sanitizers hold address space of their own";
  const test_support::scratch s{"out-of-memory"};
  const fs::path& work = s.work;
  write_file(work / "s.xy", "1 1\n2 2\n");
  write_file(work / "big.xy", std::string(1 << 25, ' ') + "0 0\n");  // arrays of 256 MB
  const std::string failed = "zolkdf: /dev/zero: out of memory\nzolkdf: big.xy: out of memory\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"info", "/dev/zero", "big.xy", "s.xy"},
        {"convert", "-t", "y", "-d", "out", "-j", "1", "/dev/zero", "big.xy", "s.xy"},
        {"convert", "-t", "y", "-d", "out", "-j", "2", "/dev/zero", "big.xy", "s.xy"}}) {
    std::uint64_t peak = 0;
    const auto r = run_measured(work, args, peak, 160 << 20);
    EXPECT_EQ(r.err, args[0] == "info" ? failed : failed + "converted 1 of 3 files; 2 failed\n");
    EXPECT_EQ(r.status + fs::exists(work / "out" / "s.y"), args[0] == "info" ? 1 : 2);
    fs::remove_all(work / "out");
  }
}

#endif

}  // namespace
