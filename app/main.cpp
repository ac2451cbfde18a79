#include "app/startup.h"
#include "engine/worker_process.h"

int main(int argc, char** argv) {
  // A worker process of a running batch: no instance lock, no command line.
  if (rastrel::IsWorkerInvocation(argc, argv)) return rastrel::RunWorkerProcess(argc, argv);
  return rastrel::RunProcess(argc, argv);
}
