#include "app/Program.h"

int main(int argc, char **argv) {
  return mv::RunProgram(argc, argv);
}
