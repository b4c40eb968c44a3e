#include "Prompts.h"

#include <cstdio>

namespace pellix {
namespace {

class StderrPrompts final : public Prompts {
 public:
  void information(const QString& text, const QString&) override { print("information", text); }
  void error(const QString& text, const QString&) override { print("error", text); }
  bool warning(const QString& text, const QString&) override {
    print("warning", text);
    return false;
  }
  void warningOk(const QString& text, const QString&) override { print("warning", text); }
  bool confirmation(const QString& text, ConfirmButtons, const QString&) override {
    print("confirmation", text);
    return false;
  }
  bool inputQuery(const QString& caption, const QString&, QString&, const CharacterRule&) override {
    print("input", caption);
    return false;
  }
  bool maskInputQuery(const QString& caption, const QString&, QString&) override {
    print("masked input", caption);
    return false;
  }
  bool openFile(const FileDialogSpec& spec, QString&) override {
    print("open file", spec.title);
    return false;
  }
  bool saveFile(const FileDialogSpec& spec, QString&) override {
    print("save file", spec.title);
    return false;
  }

 private:
  static void print(const char* kind, const QString& text) {
    std::fprintf(stderr, "[%s] %s\n", kind, text.toLocal8Bit().constData());
  }
};

std::unique_ptr<Prompts>& slot() {
  static std::unique_ptr<Prompts> instance;
  return instance;
}

}  // namespace

Prompts& prompts() {
  static StderrPrompts fallback;
  auto& p = slot();
  return p ? *p : static_cast<Prompts&>(fallback);
}

void installPrompts(std::unique_ptr<Prompts> p) { slot() = std::move(p); }

std::unique_ptr<Prompts> takePrompts() { return std::move(slot()); }

}  // namespace pellix
