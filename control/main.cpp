// control/main.cpp: the program's entry: runs the driver until a stop ends the run.
#include "control/driver.hpp"
#include "recio/recio.hpp"

int main(int argc, char** argv) {
  recio::start_run(argc, argv);
  try {
    control::run_driver();
  } catch (const recio::run_ended& end) {
    return recio::finish_run(end.status);
  }
}
