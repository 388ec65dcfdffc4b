#include "cli/cli.h"

int main(int argc, char** argv) { return zandrel::CliMain(argc, argv); }
