#include "app/startup.h"

int main(int argc, char** argv) { return rastrel::RunProcess(argc, argv); }
