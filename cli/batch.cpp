// cli/batch.cpp: `zolkdf convert`: the jobs of the batch's plan run on as many threads as asked,
// each file's trouble reported and the batch carried on, progress shown, and the tally.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "cli/batch_plan.hpp"
#include "cli/cli.hpp"
#include "cli/load.hpp"
#include "recio/os.hpp"
#include "recio/paths.hpp"
#include "recio/recio.hpp"
#include "spectrum/fields.hpp"

namespace cli {

namespace {

namespace fs = std::filesystem;

// What became of a job: the lines it reports, and how it ended.
struct job_result {
  std::string lines;
  bool failed = false;
  bool skipped = false;  // -n: every output was there already
  std::size_t waiting = 0;  // outputs waiting to be put in place with others
};

// Converts the input of a job. An output of one spectrum of several that turns out to be one of
// the batch's inputs, which the plan could not foresee (the file holds more spectra now, or the
// input is reached by a name of another form), is not written.
job_result convert_file(const convert_settings& s, const file_format& to, const job& j,
                        const input_identities& inputs) {
  job_result r;
  // An output that stores evenly spaced x by its ends needs no x made in between.
  spectrum::read_options reading = s.reading;
  reading.even_x_values = to.reads_even_x;
  loaded in = load(j.input, s.from, reading);
  r.lines = in.warnings;
  if (!in.error.empty()) {
    r.lines += in.error;
    r.failed = true;
    return r;
  }
  std::vector<spectrum::spectrum>& spectra = in.doc.spectra;
  if (s.spectrum) {
    if (*s.spectrum < 1 || static_cast<std::size_t>(*s.spectrum) > spectra.size()) {
      r.lines += report(j.input, {"has no spectrum " + std::to_string(*s.spectrum) + " (it holds " +
                                  std::to_string(spectra.size()) + ")"});
      r.failed = true;
      return r;
    }
    spectra = {spectra[static_cast<std::size_t>(*s.spectrum - 1)]};
  }
  spectrum::write_options writing = s.writing;
  writing.input_name = recio::utf8_of(recio::path_of(j.input).filename());
  // A file not written whole is written one file a spectrum, each with the texts of the whole and
  // its own spectrum, made as it is written.
  const bool whole = written_whole(s, to, spectra);
  if (!whole && j.output == "-") {
    r.lines += report(j.input, {"holds " + std::to_string(spectra.size()) +
                                " spectra: give --spectrum N to write one to standard output"});
    r.failed = true;
    return r;
  }
  std::vector<spectrum::spectrum> each;
  if (!whole) each.swap(spectra);
  const std::size_t count = whole ? 1 : each.size();
  std::size_t left_alone = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string output = whole ? j.output : numbered(j.output, i, count);
    if (s.no_clobber && exists(output)) {
      ++left_alone;
      if (s.verbose) r.lines += "zolkdf: " + shown_name(output) + ": exists, left as it is\n";
      continue;
    }
    if (const auto in = whole ? inputs.end() : inputs.find(recio::identity(output));
        in != inputs.end()) {
      r.lines += "zolkdf: " + shown_name(output) + ": the output of " + shown_name(j.input) +
                 " would replace the input " + shown_name(in->second) + "\n";
      r.failed = true;
      return r;
    }
    if (!whole) spectra.assign(1, std::move(each[i]));
    if (const spectrum::outcome t = formats::write(to, in.doc, output, writing)) {
      r.lines +=
          report(j.input, is_folder(output) ? spectrum::trouble{"is a folder", 0, -1, output} : *t);
      r.failed = true;
      return r;
    }
    if (s.verbose) {
      r.lines += "zolkdf: " + shown_name(j.input) + " -> " + shown_name(output) + "\n";
      // What the output's format has no place for, named once for each output.
      const std::vector<std::string_view> lost = spectrum::fields_not_held(in.doc, to.holds);
      if (!lost.empty()) {
        r.lines +=
            "zolkdf: " + shown_name(output) + ": " + std::string{to.title} + " cannot hold: ";
        for (std::size_t k = 0; k < lost.size(); ++k)
          r.lines += (k > 0 ? ", " : "") + std::string{lost[k]};
        r.lines += "\n";
      }
    }
  }
  r.skipped = left_alone == count;
  return r;
}

// Converts a job's file; memory that cannot be had fails that file alone, and the batch goes on.
job_result convert_one(const convert_settings& s, const file_format& to, const job& j,
                       const input_identities& inputs) {
  try {
    return convert_file(s, to, j, inputs);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {  // a size beyond what a vector or a string can hold
  }
  return {report(j.input, {"out of memory"}), true, false};
}

// Creates the folders that the outputs go to under -d. Gives back those that cannot be created;
// each is reported once, with the system's reason, at the highest of it and the folders above it
// that is not a folder yet.
std::set<fs::path> create_folders(const convert_settings& s, const std::vector<job>& jobs) {
  std::set<fs::path> folders{recio::path_of(s.folder)};
  for (const job& j : jobs)
    if (j.output != "-" && j.failure.empty())
      folders.insert(recio::path_of(j.output).parent_path());
  std::set<fs::path> unmade;
  std::set<fs::path> reported;
  for (const fs::path& f : folders) {
    std::error_code ec;
    // A file of the name is no folder, though some systems create none and report nothing.
    ec = recio::os::create_folders(recio::utf8_of(f));
    if (!ec && fs::is_directory(f, ec)) continue;
    if (!ec) ec = std::make_error_code(std::errc::not_a_directory);
    unmade.insert(f);
    fs::path at = f;
    std::error_code ignored;
    for (fs::path up = f.parent_path(); !up.empty() && up != at && !fs::is_directory(up, ignored);
         up = up.parent_path())
      at = up;
    if (reported.insert(at).second)
      to_error("zolkdf: " + shown_name(recio::utf8_of(at)) +
               ": cannot create the folder: " + reason_of(ec) + "\n");
  }
  return unmade;
}

// The progress line on a terminal: files done, the rate, the time left.
std::string progress(std::size_t done, std::size_t total, double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
  std::string line{"\r"};
  line.append(std::to_string(done)).append(" of ").append(std::to_string(total));
  line.append(" files, ").append(std::to_string(static_cast<long long>(rate))).append(" a second");
  if (rate > 0) {
    const auto left = static_cast<long long>(static_cast<double>(total - done) / rate + 0.5);
    line.append(", ").append(std::to_string(left)).append(" s left");
  }
  return line.append("\x1b[K");
}

}  // namespace

int convert(const convert_settings& s) {
  const file_format* to = !s.to.empty()       ? formats::named(s.to)
                          : !s.output.empty() ? formats::of_extension(s.output)
                                              : nullptr;
  if (to == nullptr || to->write == nullptr) {
    to_error(s.output.empty() || s.output == "-"
                 ? "zolkdf convert: give the output format with -t (" + formats::names(true) + ")\n"
                 : "zolkdf convert: cannot tell the format of " + shown_name(s.output) +
                       " from its extension; give -t\n");
    to_error("Run 'zolkdf convert --help' for more information.\n");
    return 2;
  }
  std::string refusal;
  std::string empty_folders;
  input_identities inputs;
  const std::vector<job> jobs = plan(s, *to, refusal, empty_folders, &inputs);
  to_error(empty_folders);
  if (!refusal.empty()) {
    to_error(refusal + "zolkdf: nothing was converted\n");
    return 2;
  }
  // Folders without a file to convert fail a batch that has nothing else.
  if (jobs.empty()) return 1;
  // A job whose folder cannot be created fails, named in that folder's report.
  const std::set<fs::path> unmade =
      s.folder.empty() ? std::set<fs::path>{} : create_folders(s, jobs);
  // The outputs of a batch of several files are put in place in groups; a single conversion's
  // each as it is closed. Either way no output is opened on a pipe or a device.
  recio::set_output_rules({.regular_only = true, .grouped = jobs.size() > 1});
  struct rules_ended {
    ~rules_ended() { recio::end_output_rules(); }
  } rules_end;
  const auto run = [&](std::size_t i) {
    const job& j = jobs[i];
    recio::tag_outputs(i);
    job_result r = !j.failure.empty() ? job_result{j.failure, true, false}
                   : j.output != "-" && unmade.contains(recio::path_of(j.output).parent_path())
                       ? job_result{{}, true, false}
                       : convert_one(s, *to, j, inputs);
    r.waiting = recio::outputs_waiting_of_tag();
    for (const std::string& name : recio::take_removed_leftovers())
      if (s.verbose)
        r.lines.insert(0, "zolkdf: " + shown_name(name) + ": removed, left by an earlier run\n");
    return r;
  };

  const bool show_progress = !s.quiet && recio::os::is_terminal(recio::os::standard_error);
  const auto start = std::chrono::steady_clock::now();
  std::size_t failed = 0;
  std::size_t skipped = 0;
  bool progress_shown = false;
  // Shows how far the batch is, i files done, once it has taken more than a second.
  const auto show = [&](std::size_t i) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (show_progress && seconds > 1.0) {
      to_error(progress(i, jobs.size(), seconds));
      progress_shown = true;
    }
  };
  const auto report_result = [&](const job_result& r) {
    if (progress_shown && !r.lines.empty()) to_error("\r\x1b[K");
    to_error(r.lines);
    failed += r.failed ? 1 : 0;
    skipped += r.skipped ? 1 : 0;
  };
  // A job is reported once each of its outputs that waited is in place or has failed; results are
  // reported in the order of the jobs, whatever the order they finish in, so that any number of
  // threads reports as one does.
  std::vector<job_result> results(jobs.size());
  std::vector<char> finished(jobs.size(), 0);
  std::vector<std::ptrdiff_t> unsettled(jobs.size(), 0);
  std::vector<std::vector<recio::settled_output> > unplaced(jobs.size());
  std::size_t reported = 0;
  std::size_t done = 0;  // converted, whether or not in place yet: the progress shown
  const auto finish = [&](std::size_t i, job_result r) {
    unsettled[i] += static_cast<std::ptrdiff_t>(r.waiting);
    results[i] = std::move(r);
    finished[i] = 1;
    ++done;
  };
  // Takes the outputs settled (with all, after committing those still waiting), then reports the
  // jobs that are complete. An output that failed is not converted.
  const auto report_ready = [&](bool all) {
    for (recio::settled_output& o : recio::take_settled_outputs(all)) {
      --unsettled[o.tag];
      if (o.error != recio::io_error::none) unplaced[o.tag].push_back(std::move(o));
    }
    for (; reported < jobs.size() && finished[reported] != 0 && unsettled[reported] <= 0;
         ++reported) {
      job_result r = std::exchange(results[reported], {});
      for (const recio::settled_output& o : unplaced[reported]) {
        const std::string done =
            "zolkdf: " + shown_name(jobs[reported].input) + " -> " + shown_name(o.name) + "\n";
        if (const std::size_t at = r.lines.find(done); at != std::string::npos)
          r.lines.erase(at, done.size());
        const std::string why{recio::error_text(o.error)};
        r.lines += "zolkdf: " + shown_name(o.name) + ": " +
                   (o.error == recio::io_error::write_failed ? "cannot write: " + why : why) + "\n";
        r.failed = true;
      }
      report_result(r);
    }
  };
  const unsigned threads =
      static_cast<unsigned>(std::clamp<std::size_t>(jobs.size(), 1, std::max(s.jobs, 1u)));
  if (threads == 1) {
    // One at a time, on this thread.
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      finish(i, run(i));
      report_ready(false);
      show(done);
    }
    report_ready(true);
  } else {
    // The thread that completes the next results reports them, so no thread waits on another
    // while there is work; the last thread to run out of work commits what waits.
    std::mutex m;
    std::condition_variable all_reported;
    std::atomic<std::size_t> next{0};
    unsigned idle = 0;
    const auto work = [&] {
      for (std::size_t i = next++; i < jobs.size(); i = next++) {
        job_result r = run(i);
        const std::lock_guard lock{m};
        finish(i, std::move(r));
        report_ready(false);
        if (reported == jobs.size()) all_reported.notify_one();
      }
      {
        const std::lock_guard lock{m};
        if (++idle == threads) report_ready(true);
        if (reported == jobs.size()) all_reported.notify_one();
      }
      recio::end_thread();
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    if (show_progress) {
      std::unique_lock lock{m};
      while (!all_reported.wait_for(lock, std::chrono::milliseconds(200),
                                    [&] { return reported == jobs.size(); }))
        show(done);
    }
    for (std::thread& t : pool) t.join();
  }
  if (progress_shown) to_error("\r\x1b[K");
  if (jobs.size() > 1 && !s.quiet) {
    std::string tally = "converted " + std::to_string(jobs.size() - failed - skipped) + " of " +
                        std::to_string(jobs.size()) + " files";
    if (failed > 0) tally += "; " + std::to_string(failed) + " failed";
    if (skipped > 0) tally += "; " + std::to_string(skipped) + " left as they were";
    to_error(tally + "\n");
  }
  return failed > 0 ? 1 : 0;
}

}  // namespace cli
