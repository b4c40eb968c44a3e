#include "uMain_Programmer.h"

#include "ErrorReport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace {

QFrame* whitePanel(QWidget* parent, const char* name, const QRect& geometry) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setAutoFillBackground(true);
  QPalette p = panel->palette();
  p.setColor(QPalette::Window, Qt::white);
  panel->setPalette(p);
  panel->setGeometry(geometry);
  return panel;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QRect& geometry) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(geometry);
  return b;
}

QPlainTextEdit* memo(QWidget* parent, const char* name, const QRect& geometry) {
  auto* m = new QPlainTextEdit(parent);
  m->setObjectName(QString::fromLatin1(name));
  m->setReadOnly(true);
  m->setGeometry(geometry);
  return m;
}

void setBold(QWidget* w) {
  QFont f = w->font();
  f.setBold(true);
  w->setFont(f);
}

struct LinkStateLook {
  const char* text;
  Qt::GlobalColor colour;
};
constexpr LinkStateLook LinkStates[] = {
    {"", Qt::black},
    {"Communication OK", Qt::darkGreen},
    {"Timeout", Qt::red},
    {"Disconnected", Qt::black},
    {"Communication error - disconnected", Qt::red},
};

}  // namespace

// The logo lives in this library's resources, which a static library has to register.
static void InitUpgradeResources() { Q_INIT_RESOURCE(upgrade); }

TForm_Programmer::TForm_Programmer(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("Form_Programmer"));
  setWindowTitle(QStringLiteral("Pellix Tool - Upgrade SW"));
  // Fixed single border with the system menu only.
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(ClientWidth, ClientHeight);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  link_ = std::make_unique<pellix::ComPortLink>(AfComPort1);
  transfer_ = std::make_unique<pellix::ProgrammerTransfer>(*link_, *Timer1);
  transfer_->OnDisplayChanged = [this] { Render(); };

  Panel_Comm = whitePanel(this, "Panel_Comm", QRect(8, 8, 220, 110));
  Label_Caption = new QLabel(QStringLiteral("Communication"), Panel_Comm);
  Label_Caption->setObjectName(QStringLiteral("Label_Caption"));
  setBold(Label_Caption);
  Label_Caption->setGeometry(10, 8, 200, 20);
  CheckBox1 = new QCheckBox(QStringLiteral("Connected"), Panel_Comm);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setGeometry(10, 36, 200, 22);
  Label_ErrInfo = new QLabel(Panel_Comm);
  Label_ErrInfo->setObjectName(QStringLiteral("Label_ErrInfo"));
  Label_ErrInfo->setGeometry(10, 66, 205, 36);
  Label_ErrInfo->setWordWrap(true);

  Lb_FWVer = new QLabel(this);
  Lb_FWVer->setObjectName(QStringLiteral("Lb_FWVer"));
  setBold(Lb_FWVer);
  Lb_FWVer->setGeometry(12, 130, 216, 22);

  Panel_Logo = whitePanel(this, "Panel_Logo", QRect(8, ClientHeight - 8 - 80, 220, 80));
  Img_Logo = new QLabel(Panel_Logo);
  Img_Logo->setObjectName(QStringLiteral("Img_Logo"));
  Img_Logo->setAlignment(Qt::AlignCenter);
  Img_Logo->setGeometry(4, 4, 212, 72);
  InitUpgradeResources();
  const QPixmap logo(QStringLiteral(":/upgrade/logo.png"));
  if (!logo.isNull())
    CImgLst_Logo59x137 << logo.scaled(137, 59, Qt::KeepAspectRatio, Qt::SmoothTransformation);

  Panel_Work = whitePanel(this, "Panel_Work", QRect(236, 8, ClientWidth - 244, ClientHeight - 16));
  const int w = Panel_Work->width() - 20;
  Button_OpenFile =
      button(Panel_Work, "Button_OpenFile", QStringLiteral("Open File"), QRect(10, 10, 130, 28));
  Memo_Path = memo(Panel_Work, "Memo_Path", QRect(150, 8, w - 140, 52));
  Memo_Path->setFrameShape(QFrame::NoFrame);
  // Three lines fit; a name that needs more brings the scroll bar.
  const int margin = static_cast<int>(Memo_Path->document()->documentMargin());
  Memo_Path->setFixedHeight(Memo_Path->fontMetrics().lineSpacing() * 3 + 2 * margin);
  Memo_Path->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Memo_FromFile = memo(Panel_Work, "Memo_FromFile", QRect(10, 68, w, 300));
  Memo_FromFile->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Button_DelProgMem =
      button(Panel_Work, "Button_DelProgMem", QStringLiteral("Program Memory..."), QRect(10, 380, 160, 28));
  Gauge1 = new QProgressBar(Panel_Work);
  Gauge1->setObjectName(QStringLiteral("Gauge1"));
  Gauge1->setGeometry(10, 418, w, 22);
  Label_Progress = new QLabel(Panel_Work);
  Label_Progress->setObjectName(QStringLiteral("Label_Progress"));
  Label_Progress->setGeometry(10, 446, w, 20);
  Button_Abort = button(Panel_Work, "Button_Abort", QStringLiteral("Cancel"), QRect(w - 230, 478, 110, 28));
  Button_Close = button(Panel_Work, "Button_Close", QStringLiteral("Close"), QRect(w - 110, 478, 110, 28));

  connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
  connect(Button_OpenFile, &QPushButton::clicked, this,
          [this] { pellix::guarded([this] { Button_OpenFileClick(); }); });
  connect(Button_DelProgMem, &QPushButton::clicked, this,
          [this] { pellix::guarded([this] { Button_DelProgMemClick(); }); });
  connect(Button_Abort, &QPushButton::clicked, this,
          [this] { pellix::guarded([this] { Button_AbortClick(); }); });
  connect(Button_Close, &QPushButton::clicked, this, [this] { Button_CloseClick(); });
  connect(Timer1, &QTimer::timeout, this, [this] { pellix::guarded([this] { Timer1Timer(); }); });

  FormCreate();
  Timer1->start(pellix::upgrade::IdleIntervalMs);
}

TForm_Programmer::~TForm_Programmer() {
  transfer_->OnDisplayChanged = nullptr;
  Timer1->stop();
  if (AfComPort1.IsOpen()) AfComPort1.ClosePort();
  AfComPort1.OnSyncEvent = nullptr;
}

void TForm_Programmer::FormCreate() {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  Render();  // bar at 0 and hidden, "Cancel" disabled, memos and progress text empty
  if (!CImgLst_Logo59x137.isEmpty()) Img_Logo->setPixmap(CImgLst_Logo59x137.constFirst());
}

void TForm_Programmer::Render() {
  const pellix::ProgrammerDisplay& d = transfer_->Display();
  if (CheckBox1->isChecked() != d.Connected) {
    // What the tick reports about the port; the port itself is already in that state.
    const QSignalBlocker block(CheckBox1);
    CheckBox1->setChecked(d.Connected);
  }
  ShowLinkState(d.LinkState);
  Gauge1->setMaximum(std::max(1, d.ProgressMaximum));
  Gauge1->setValue(std::clamp(d.ProgressPosition, 0, Gauge1->maximum()));
  Gauge1->setVisible(d.ProgressVisible);
  Label_Progress->setText(d.ProgressText);
  Lb_FWVer->setText(d.VersionText);
  Button_Abort->setEnabled(d.CancelEnabled);
  Button_OpenFile->setEnabled(d.OpenFileEnabled);
  if (shownRevision_ != d.ImageRevision) {
    shownRevision_ = d.ImageRevision;
    Memo_Path->setPlainText(d.PathText);
    Memo_FromFile->setPlainText(d.DumpText);
  }
}

void TForm_Programmer::ShowLinkState(int kind) {
  const LinkStateLook& look = LinkStates[std::clamp(kind, 0, 4)];
  Label_ErrInfo->setText(QString::fromLatin1(look.text));
  QPalette p = Label_ErrInfo->palette();
  p.setColor(QPalette::WindowText, look.colour);
  Label_ErrInfo->setPalette(p);
}

void TForm_Programmer::SetLinkBaudRate(int baudRate) {
  AfComPort1.SetUserBaudRate(baudRate);
  Timer1->setInterval(pellix::upgrade::LinkTimerInterval(baudRate, Timer1->interval()));
}

void TForm_Programmer::CheckBox1Click() {
  if (!CheckBox1->isChecked()) {
    AfComPort1.ClosePort();
    transfer_->PortClosed();
    return;
  }
  try {
    AfComPort1.OpenPort();
  } catch (...) {
    const std::exception_ptr failure = std::current_exception();
    {
      const QSignalBlocker block(CheckBox1);
      CheckBox1->setChecked(false);
    }
    pellix::reportException(failure);
    return;
  }
  link_->PortOpened();
  transfer_->PortOpened();
}

void TForm_Programmer::Button_OpenFileClick() { transfer_->Button_OpenFileClick(); }

void TForm_Programmer::Button_DelProgMemClick() { transfer_->Button_DelProgMemClick(CheckBox1->isChecked()); }

void TForm_Programmer::Button_AbortClick() { transfer_->Button_AbortClick(); }

void TForm_Programmer::Timer1Timer() { transfer_->Timer1Timer(); }

void TForm_Programmer::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  transfer_->Shown();
}

bool TForm_Programmer::CloseWindow() {
  if (closing_) return true;
  if (!transfer_->CloseQuery()) return false;
  const bool connected = CheckBox1->isChecked();
  if (connected) CheckBox1->setChecked(false);  // closes the port
  closing_ = true;
  done(connected ? QDialog::Accepted : QDialog::Rejected);
  closing_ = false;
  return true;
}

void TForm_Programmer::Button_CloseClick() {
  pellix::guarded([this] { CloseWindow(); });
}

void TForm_Programmer::reject() { Button_CloseClick(); }

void TForm_Programmer::closeEvent(QCloseEvent* event) {
  if (closing_) {
    QDialog::closeEvent(event);
    return;
  }
  bool closed = false;
  pellix::guarded([&] { closed = CloseWindow(); });
  if (closed)
    event->accept();
  else
    event->ignore();
}
