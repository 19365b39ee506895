// recio/output_group.cpp: the outputs of a batch of the command line, which wait after their close
// to be flushed and put in place together, a group at a time, by a thread of their own.
#include "recio/output_group.hpp"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace recio {

namespace {

// A group holds descriptors, not bytes: 64 files stay far below the limit of open files, and the
// bytes that one flush waits for stay below 32 MB.
constexpr std::size_t group_files = 64;
constexpr std::uint64_t group_bytes = 32 << 20;

output_rules rules_now;

// The outputs waiting, with the job and name of each. A thread of its own commits them a group at
// a time while the batch's threads go on converting, so that the flushes overlap the work; a
// thread whose output would start a third group waits, so that two groups' descriptors at most
// are open.
// Never destroyed, as the committing thread may still wait on them when a run ends otherwise.
std::mutex& group_lock = *new std::mutex;
std::condition_variable& group_changed = *new std::condition_variable;
std::vector<os::output_file> waiting;
std::vector<settled_output> waiting_ids;
std::uint64_t waiting_bytes = 0;
bool committing = false;
bool all_wanted = false;  // every output waiting is to be committed now, full group or not
bool ending = false;
std::thread* committer = nullptr;  // never destroyed while it runs: a run may end at any moment
std::vector<settled_output> settled;

thread_local std::size_t tag_here = 0;
thread_local std::size_t tagged_here = 0;

bool group_full() { return waiting.size() >= group_files || waiting_bytes >= group_bytes; }

// Commits the outputs waiting; the lock is let go meanwhile, so that other threads add to the
// next group.
void commit_waiting(std::unique_lock<std::mutex>& lock) {
  committing = true;
  std::vector<os::output_file> outs;
  std::vector<settled_output> ids;
  outs.swap(waiting);
  ids.swap(waiting_ids);
  waiting_bytes = 0;
  group_changed.notify_all();
  lock.unlock();
  std::vector<io_error> errors(outs.size());
  os::commit_together(outs, errors);
  lock.lock();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ids[i].error = errors[i];
    settled.push_back(std::move(ids[i]));
  }
  committing = false;
  group_changed.notify_all();
}

// The committing thread: a group as soon as it is full, or whatever waits when all is wanted.
void commit_groups() {
  std::unique_lock lock{group_lock};
  for (;;) {
    group_changed.wait(lock,
                       [] { return ending || group_full() || (all_wanted && !waiting.empty()); });
    if (waiting.empty()) return;  // ending
    commit_waiting(lock);
  }
}

}  // namespace

void set_output_rules(output_rules rules) { rules_now = rules; }

const output_rules& output_rules_now() { return rules_now; }

void tag_outputs(std::size_t tag) {
  tag_here = tag;
  tagged_here = 0;
}

std::size_t outputs_waiting_of_tag() { return tagged_here; }

io_error wait_in_group(os::output_file& out, std::string_view name, std::uint64_t bytes) {
  if (!os::may_wait(out)) return os::commit_output(out);
  os::ready_to_wait(out);
  std::unique_lock lock{group_lock};
  if (committer == nullptr) committer = new std::thread{commit_groups};
  group_changed.wait(lock, [] { return !group_full(); });
  waiting.push_back(std::exchange(out, {}));
  waiting_ids.push_back({tag_here, std::string{name}, io_error::none});
  waiting_bytes += bytes;
  ++tagged_here;
  if (group_full()) group_changed.notify_all();
  return io_error::none;
}

std::vector<settled_output> take_settled_outputs(bool all) {
  std::unique_lock lock{group_lock};
  if (all && committer != nullptr) {
    all_wanted = true;
    group_changed.notify_all();
    group_changed.wait(lock, [] { return waiting.empty() && !committing; });
    all_wanted = false;
  }
  std::vector<settled_output> taken;
  taken.swap(settled);
  return taken;
}

void end_output_rules() {
  {
    const std::lock_guard lock{group_lock};
    for (os::output_file& out : waiting) os::discard_output(out);
    waiting.clear();
    waiting_ids.clear();
    waiting_bytes = 0;
    ending = true;
  }
  group_changed.notify_all();
  if (committer != nullptr) {
    committer->join();
    delete committer;
    committer = nullptr;
  }
  {
    const std::lock_guard lock{group_lock};
    ending = false;
    waiting.clear();
    waiting_ids.clear();
    waiting_bytes = 0;
    settled.clear();
  }
  os::close_output_folders();
  rules_now = {};
}

std::vector<std::string> take_removed_leftovers() { return os::take_removed_temporaries(); }

}  // namespace recio
