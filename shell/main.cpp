#include "shell/main_sequence.h"

int main() { return shell::runMainSequence(); }
