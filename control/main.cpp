// control/main.cpp: the program's entry: the command line when its first word is a command,
// else the dialogue, run until a stop ends it.
#include "cli/cli.hpp"
#include "control/driver.hpp"
#include "recio/os.hpp"
#include "recio/recio.hpp"

int main(int argc, char** argv) {
  recio::start_run(argc, argv);
  if (argc > 1 && cli::is_command(argv[1])) return cli::run(recio::os::command_line_words(argc, argv));
  try {
    control::run_driver();
  } catch (const recio::run_ended& end) {
    return recio::finish_run(end.status);
  }
}
