// Prints the arguments that QApplication leaves over, one per line: what Qt did not
// take as its own.
#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  for (int i = 1; i < argc; ++i) std::printf("%s\n", argv[i]);
  return 0;
}
