// main.cpp: the program's entry, which chooses a face: the command line when its first word is a
// command, else the dialogue, run until a stop ends it.
#include "cli/cli.hpp"
#include "control/driver.hpp"
#include "recio/os.hpp"
#include "recio/recio.hpp"

int main(int argc, char** argv) {
  recio::start_run(argc, argv);
  if (const auto words = recio::os::command_line(argc, argv);
      words.size() > 1 && cli::is_command(words[1]))
    return cli::run({words.begin() + 1, words.end()});
  try {
    control::run_driver();
  } catch (const recio::run_ended& end) {
    return recio::finish_run(end.status);
  }
}
