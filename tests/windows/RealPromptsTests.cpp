// The real Qt prompts on a real X server under a window manager (run by x-session): the
// window each dialog belongs to, the title the window manager shows, and that answering
// any of them leaves the program running. Every dialog is answered from a timer.
#include "AfPortComboBox.h"
#include "ApplicationTitle.h"
#include "CheckFileName.h"
#include "ConfigurationFile.h"
#include "FileViews.h"
#include "Main.h"
#include "ProgramStart.h"
#include "Simulator.h"
#include "TestSupport.h"
#include "dlg_GWYSettings.h"
#include "uForm_ProgressDialog.h"
#include "uFrame_FindNewTab.h"
#include "uFrame_Komunikace.h"
#include "uFrame_SensorBox.h"
#include "uMain_Programmer.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QWindow>

#include <deque>
#include <functional>
#include <iterator>
#include <memory>

namespace {

const QString Caption = QStringLiteral("Pellix Tool V1.09.3 (DUNO)");

// The title of a window as the window manager has it.
QString platformTitle(const QWidget* w) {
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"),
              {QStringLiteral("-id"), QString::number(w->winId()), QStringLiteral("_NET_WM_NAME")});
  if (!xprop.waitForFinished(5000)) return QStringLiteral("<xprop failed>");
  const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
  const qsizetype first = out.indexOf(QLatin1Char('"'));
  return first < 0 ? out : out.mid(first + 1, out.size() - first - 2);
}

// A dialog as the operator met it.
struct Met {
  QString type;  // "message", "file", "input", "window"
  QString title;
  QString shownTitle;
  QString text;
  QWidget* parent = nullptr;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Meets each new dialog once it is on the screen, notes it, and answers it with the next
// answer of the script. A dialog the script has no answer for is cancelled.
class Operator : public QObject {
 public:
  using Answer = std::function<void(QDialog*)>;

  Operator() {
    connect(&timer_, &QTimer::timeout, this, [this] { look(); });
    timer_.start(30);
  }
  void then(Answer a) { script_.push_back(std::move(a)); }
  std::vector<Met> met;

  static Answer press(QMessageBox::StandardButton b) {
    return [b](QDialog* d) {
      auto* box = qobject_cast<QMessageBox*>(d);
      ASSERT_NE(box, nullptr) << "a message box was expected";
      ASSERT_NE(box->button(b), nullptr) << "no such button";
      box->button(b)->click();
    };
  }
  // Types the name and presses the dialog's Open or Save button, as the operator does.
  static Answer choose(const QString& path) {
    return [path](QDialog* d) {
      auto* files = qobject_cast<QFileDialog*>(d);
      ASSERT_NE(files, nullptr) << "a file dialog was expected";
      auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      auto* buttons = files->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
      ASSERT_TRUE(name && buttons);
      name->setText(path);
      QPushButton* go = buttons->button(
          files->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open);
      ASSERT_TRUE(go && go->isEnabled());
      go->click();
    };
  }
  static Answer cancel() {
    return [](QDialog* d) { d->reject(); };
  }

 private:
  void look() {
    if (busy_) return;  // an answer may open the next dialog inside this call
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
      auto* d = qobject_cast<QDialog*>(w);
      if (!d || !d->isVisible() || seen_.contains(d) || !d->windowHandle() || !d->windowHandle()->isExposed())
        continue;
      // Prompts only; the program's own windows (the upgrade window) are the test's.
      if (!qobject_cast<QMessageBox*>(d) && !qobject_cast<QFileDialog*>(d) &&
          !qobject_cast<QInputDialog*>(d) && !d->inherits("TForm_MaskInputBox"))
        continue;
      seen_.insert(d);
      connect(d, &QObject::destroyed, this, [this, d] { seen_.remove(d); });
      Met m;
      m.title = d->windowTitle();
      m.shownTitle = platformTitle(d);
      m.parent = d->parentWidget();
      if (auto* box = qobject_cast<QMessageBox*>(d)) {
        m.type = QStringLiteral("message");
        m.text = box->text();
        m.icon = box->icon();
      } else if (qobject_cast<QFileDialog*>(d)) {
        m.type = QStringLiteral("file");
      } else if (auto* input = qobject_cast<QInputDialog*>(d)) {
        m.type = QStringLiteral("input");
        m.text = input->labelText();
      } else {
        m.type = QStringLiteral("window");
      }
      met.push_back(m);
      Answer a = script_.empty() ? cancel() : std::move(script_.front());
      if (!script_.empty()) script_.pop_front();
      busy_ = true;
      a(d);
      busy_ = false;
      return;
    }
  }

  QTimer timer_;
  QSet<QDialog*> seen_;
  std::deque<Answer> script_;
  bool busy_ = false;
};

// Runs the application's own event loop, as the program does, until the test ends it
// with 42 or something else ends it. Returns what ended it.
int runProgram(const std::function<void()>& start, int timeoutMs = 30000) {
  QTimer::singleShot(0, start);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  watchdog.start(timeoutMs);
  return QCoreApplication::exec();
}

constexpr int ProgramStillRan = 42;

class RealPrompts : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted_ = pellix::takePrompts();
    pellix::PrepareWindows();
    TMainForm::ResetCreationCounters();
    form = std::make_unique<TMainForm>();
    pellix::AdoptMainWindow(*form);
    form->show();
    ASSERT_TRUE(pellix::test::waitUntil([&] { return form->windowHandle()->isExposed(); }, 5000));
  }
  void TearDown() override {
    form.reset();
    if (sim) sim->stop();
    pellix::installPrompts(std::move(scripted_));
  }

  void connectToGateway(int com) {
    sim = std::make_unique<pellix::gwsim::Simulator>();
    std::string error;
    ASSERT_TRUE(sim->start(&error)) << error;
    ASSERT_FALSE(sim->linkAsCom(com, &error).empty()) << error;
    form->Frame_Komunikace1->AfPortComboBox1->RefreshPorts();
    form->Frame_Komunikace1->AfPortComboBox1->SetSelectedComNumber(com);
    form->Frame_Komunikace1->ComboBox_BaudRate->setCurrentIndex(13);
  }

  QString file(const QString& name, const QByteArray& bytes) {
    const QString path = pellix::test::sandboxDir() + QLatin1Char('/') + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }

  std::unique_ptr<TMainForm> form;
  std::unique_ptr<pellix::gwsim::Simulator> sim;
  Operator op;

 private:
  std::unique_ptr<pellix::Prompts> scripted_;
};

// The main window is hidden while the upgrade window runs; the message boxes of the
// upgrade window belong to it, right after a file dialog and when another program has
// the focus alike, and closing them leaves the program running.
TEST_F(RealPrompts, UpgradeMessagesBelongToTheUpgradeWindowAndNeverEndTheProgram) {
  connectToGateway(5);
  const QString empty = file(QStringLiteral("empty.bin"), {});
  const QString image = file(QStringLiteral("image.bin"), QByteArray(384, '\x5A'));
  const QString large = file(QStringLiteral("large.bin"), QByteArray(200003, '\x01'));
  TForm_Programmer* upgrade = nullptr;
  QProcess other;

  op.then(Operator::choose(empty));
  op.then(Operator::press(QMessageBox::Ok));  // "... is empty."
  op.then(Operator::choose(image));
  op.then(Operator::choose(image));
  op.then(Operator::press(QMessageBox::Yes));  // "... is already open. Do you want to reload it?"
  op.then(Operator::choose(large));
  op.then(Operator::press(QMessageBox::Ok));  // too large
  op.then(Operator::press(QMessageBox::Ok));  // "Firmware update completed. ..."

  // The operator's clicks in the upgrade window, each once the dialogs of the one before
  // are answered.
  const std::function<void()> clicks[] = {
      [&] { upgrade->Button_OpenFile->click(); },
      [&] { upgrade->Button_OpenFile->click(); },
      [&] { upgrade->Button_OpenFile->click(); },
      [&] { upgrade->Button_OpenFile->click(); },
      [&] {
        // The gateway has restarted; its first answer completes the run, while another
        // program has the focus.
        upgrade->Transfer().Busy = true;
        upgrade->Transfer().RestartSent = true;
        other.start(QStringLiteral("xmessage"), {QStringLiteral("-title"), QStringLiteral("Another program"),
                                                 QStringLiteral("another program")});
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                           QStringLiteral("^Another program$"), QStringLiteral("windowactivate"),
                           QStringLiteral("--sync")});
      },
      [&] { upgrade->Button_Close->click(); },
  };
  const size_t metBefore[] = {0, 2, 3, 5, 7, 8};
  size_t next = 0;
  QTimer clicker;
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    if (!upgrade) upgrade = pellix::FindProgrammerWindow(form.get());
    if (!upgrade || !upgrade->isVisible() || QApplication::activeModalWidget() != upgrade) return;
    if (next >= std::size(clicks) || op.met.size() < metBefore[next]) return;
    clicks[next++]();
  });
  clicker.start(50);

  const int ended = runProgram([&] {
    form->UpgradeSW1->trigger();
    // The upgrade window has closed: the main window is back.
    QTimer::singleShot(300, [] { QCoreApplication::exit(ProgramStillRan); });
  });
  other.kill();
  other.waitForFinished();

  EXPECT_EQ(ended, ProgramStillRan) << "the program ended by itself";
  ASSERT_NE(upgrade, nullptr);
  ASSERT_EQ(op.met.size(), 8u);
  std::vector<QString> boxes;
  for (const Met& m : op.met) {
    EXPECT_EQ(m.parent, upgrade) << m.type.toStdString() << " " << m.text.toStdString();
    if (m.type != QLatin1String("message")) continue;
    boxes.push_back(m.text);
    EXPECT_EQ(m.shownTitle, Caption);
  }
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0], empty + QStringLiteral(" is empty."));
  EXPECT_EQ(op.met[1].icon, QMessageBox::Warning);
  EXPECT_EQ(boxes[1], image + QStringLiteral(" is already open. Do you want to reload it?"));
  EXPECT_TRUE(boxes[3].startsWith(QStringLiteral("Firmware update completed.")));
  EXPECT_TRUE(form->isVisible());
}

// Titles are the texts the program gives them, with nothing appended by the platform.
TEST_F(RealPrompts, EveryWindowShowsExactlyItsOwnTitle) {
  TFrame_SensorBox* box = form->ChannelBoxes[39];
  std::vector<std::pair<QString, QString>> windows;  // expected, shown
  const int ended = runProgram([&] {
    form->EditRomCode(box);
    box->Label_DescriptionClick();
    pellix::AskTargetChannel(5, 1, false);
    pellix::AskOpenFileName(pellix::ConfigurationOpenDialog());
    pellix::AskSaveFileName(pellix::ConfigurationSaveDialog());
    for (QWidget* w :
         std::initializer_list<QWidget*>{form.get(), form->dlgGWYSettings, form->Form_ProgressDialog(),
                                         new TForm_Programmer(form.get())}) {
      if (w == form->Form_ProgressDialog())
        w->setWindowTitle(QStringLiteral("Pellix Tool - Import from file"));
      w->show();
      pellix::test::waitUntil([w] { return w->windowHandle()->isExposed(); }, 5000);
      windows.emplace_back(w->windowTitle(), platformTitle(w));
      if (w != form.get()) w->hide();
    }
    QCoreApplication::exit(ProgramStillRan);
  });
  EXPECT_EQ(ended, ProgramStillRan);
  for (const Met& m : op.met) windows.emplace_back(m.title, m.shownTitle);
  const QStringList expected = {Caption,
                                QStringLiteral("Gateway settings"),
                                QStringLiteral("Pellix Tool - Import from file"),
                                QStringLiteral("Pellix Tool - Upgrade SW"),
                                QStringLiteral("ROM Code - Channel 39"),
                                QStringLiteral("Edit description - Channel 39"),
                                QStringLiteral("Save device with index: 5"),
                                QStringLiteral("Open File"),
                                QStringLiteral("Save to File")};
  ASSERT_EQ(windows.size(), size_t(expected.size()));
  for (int i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(windows[i].first, expected[i]);
    EXPECT_EQ(windows[i].second, expected[i]);
  }
  for (const Met& m : op.met) EXPECT_EQ(m.parent, form.get()) << m.title.toStdString();
}

// The X window that the window manager keeps a window over, 0 for none.
WId transientFor(const QWidget* w) {
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"),
              {QStringLiteral("-id"), QString::number(w->winId()), QStringLiteral("WM_TRANSIENT_FOR")});
  xprop.waitForFinished(5000);
  const QString out = QString::fromUtf8(xprop.readAllStandardOutput());
  return out.section(QLatin1Char('#'), 1).trimmed().toULongLong(nullptr, 16);
}

// The recorder options window belongs to the application, yet a modal window that the
// window manager may put behind the main window would look like a frozen program.
TEST_F(RealPrompts, RecorderOptionsStayOverTheMainWindow) {
  WId owner = 0;
  const int ended = runProgram([&] {
    QTimer::singleShot(0, [&] {
      QWidget* options = QApplication::activeModalWidget();
      for (int i = 0; i < 100 && !(options && options->windowHandle()->isExposed()); ++i) {
        pellix::test::processEventsFor(20);
        options = QApplication::activeModalWidget();
      }
      ASSERT_NE(options, nullptr);
      owner = transientFor(options);
      options->close();
    });
    form->RecordOptions1->trigger();
    QCoreApplication::exit(ProgramStillRan);
  });
  EXPECT_EQ(ended, ProgramStillRan);
  EXPECT_EQ(owner, form->winId());
}

// The file dialog does not ask about overwriting on its own: the one question is the
// program's, in its words.
TEST_F(RealPrompts, SavingOverAFileAsksOnceInTheProgramsWords) {
  const QString existing = file(QStringLiteral("backup.bin"), QByteArray(902, '\0'));
  op.then(Operator::choose(existing));
  op.then(Operator::press(QMessageBox::No));
  op.then(Operator::cancel());
  const int ended = runProgram([&] {
    pellix::SaveConfigurationCommand(pellix::ChannelBoxViewsOf(form->ChannelBoxes));
    QCoreApplication::exit(ProgramStillRan);
  });
  EXPECT_EQ(ended, ProgramStillRan);
  ASSERT_EQ(op.met.size(), 3u);
  EXPECT_EQ(op.met[0].type, QStringLiteral("file"));
  EXPECT_EQ(op.met[1].type, QStringLiteral("message"));
  EXPECT_EQ(op.met[1].text, existing + QStringLiteral(" already exists. Do you want to rewrite it?"));
  EXPECT_EQ(op.met[2].type, QStringLiteral("file"));
}

}  // namespace
