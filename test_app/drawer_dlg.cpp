#include "test_app/drawer_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "common/gui/message_box.h"
#include "common/toolreg/ldn_list.h"
#include "platform/base/clock.h"
#include "test_app/dialog_widgets.h"
#include "test_app/enter_key_filter.h"
#include "test_app/guarded_call.h"
#include "test_app/result_text.h"

namespace qvtestapp {
namespace {

constexpr int64_t kEnablePollMs = 500;
constexpr int32_t kClaimTimeout = 1000;  // ms
constexpr int kSueDrawerClosed = 0;      // CASH_SUE_DRAWERCLOSED
constexpr int kSueDrawerOpen = 1;        // CASH_SUE_DRAWEROPEN

}  // namespace

COposDrawerDlg::COposDrawerDlg(std::unique_ptr<COPOSCashDrawer> control, QWidget* parent)
    : QWidget(parent), m_control(std::move(control)) {
  std::vector<std::u16string> ldns;
  LoadOwnLDNs(u"CashDrawer", &ldns);

  auto* selectGroup = new QGroupBox(QStringLiteral("Select POS Cash Drawer"), this);
  m_drawerList = NewLdnList(ldns, selectGroup);
  m_open = new QPushButton(QStringLiteral("Open"), selectGroup);
  m_claim = new QPushButton(QStringLiteral("Cliam"), selectGroup);
  m_close = new QPushButton(QStringLiteral("Close"), selectGroup);
  m_release = new QPushButton(QStringLiteral("Release"), selectGroup);
  m_deviceEnable = new QCheckBox(QStringLiteral("DeviceEnable"), selectGroup);
  auto* selectLayout = new QGridLayout(selectGroup);
  AddLabelled(selectLayout, 0, 0, QStringLiteral("LAN:"), m_drawerList, 3);
  selectLayout->addWidget(m_open, 1, 0);
  selectLayout->addWidget(m_claim, 1, 1);
  selectLayout->addWidget(m_close, 1, 2);
  selectLayout->addWidget(m_release, 1, 3);
  selectLayout->addWidget(m_deviceEnable, 2, 0);

  m_openDrawer = new QPushButton(QStringLiteral("Open Drawer"), this);
  auto* statusGroup = new QGroupBox(QStringLiteral("Status"), this);
  m_drawerOpen = new QCheckBox(QStringLiteral("Cash Drawer Open"), statusGroup);
  auto* statusLayout = new QVBoxLayout(statusGroup);
  statusLayout->addWidget(m_drawerOpen);

  auto* page = new QVBoxLayout(this);
  page->addWidget(selectGroup);
  page->addWidget(m_openDrawer, 0, Qt::AlignLeft);
  page->addWidget(statusGroup);
  page->addStretch();

  m_drawerList->setCurrentIndex(m_drawerList->count() > 0 ? 0 : -1);
  m_open->setEnabled(true);
  for (QWidget* w : std::initializer_list<QWidget*>{m_claim, m_close, m_release, m_deviceEnable,
                                                    m_openDrawer, m_drawerOpen}) {
    w->setEnabled(false);
  }

  m_enablePoll.setInterval(static_cast<int>(qvplatform::ScaledMs(kEnablePollMs)));
  connect(&m_enablePoll, &QTimer::timeout, this, &COposDrawerDlg::OnEnablePoll);
  connect(m_control.get(), &COposControl::StatusUpdateEvent, this, &COposDrawerDlg::OnStatusUpdate);
  connect(m_open, &QPushButton::clicked, this, &COposDrawerDlg::OnOpen);
  connect(m_claim, &QPushButton::clicked, this, &COposDrawerDlg::OnClaim);
  connect(m_deviceEnable, &QCheckBox::clicked, this, &COposDrawerDlg::OnDeviceEnable);
  connect(m_close, &QPushButton::clicked, this, &COposDrawerDlg::OnClose);
  connect(m_release, &QPushButton::clicked, this, &COposDrawerDlg::OnRelease);
  connect(m_openDrawer, &QPushButton::clicked, this, &COposDrawerDlg::OnOpenDrawer);
  // Only events change the status box: a click is undone.
  connect(m_drawerOpen, &QCheckBox::clicked, this,
          [this](bool checked) { m_drawerOpen->setChecked(!checked); });
  SwallowEnterKey(this);
}

COposDrawerDlg::~COposDrawerDlg() = default;

void COposDrawerDlg::Message(const QString& text, const QString& caption) {
  qvgui::ShowMessageBox(this, text,
                        caption.isEmpty() ? QString::fromUtf16(kProgramTitle) : caption);
}

void COposDrawerDlg::OnOpen() {
  if (m_drawerList->currentIndex() < 0) {
    Message(POText("PO_ERR_SELECT_DRAWER_TYPE"));
    return;
  }
  GuardedCall(this, [&] {
    const int32_t rc = m_control->Open(m_drawerList->currentText());
    if (rc != 0) {
      Message(QStringLiteral("This device has not been registered, or can't use.0x%1")
                  .arg(static_cast<uint32_t>(rc), 0, 16));
      return;
    }
    for (QWidget* w : {m_open, m_release, m_openDrawer}) w->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{m_claim, m_close, m_deviceEnable}) {
      w->setEnabled(true);
    }
    m_enablePoll.start();
  });
}

void COposDrawerDlg::OnClaim() {
  GuardedCall(this, [&] {
    if (m_control->ClaimDevice(kClaimTimeout) != 0) {
      Message(QStringLiteral("Fails to get the exclusive right for the device."));
    }
    m_release->setEnabled(true);
    m_claim->setEnabled(false);
  });
}

void COposDrawerDlg::OnDeviceEnable(bool checked) {
  GuardedCall(this, [&] {
    m_control->SetDeviceEnabled(checked);
    if (m_control->GetResultCode() != 0)
      Message(QStringLiteral("Now the device is disabled to use."));
    m_deviceEnable->setChecked(m_control->GetDeviceEnabled());
  });
}

void COposDrawerDlg::OnClose() {
  GuardedCall(this, [&] {
    m_control->Close();
    m_open->setEnabled(true);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_claim, m_close, m_release, m_deviceEnable}) {
      w->setEnabled(false);
    }
    m_deviceEnable->setChecked(m_control->GetDeviceEnabled());
    m_openDrawer->setEnabled(false);
    m_drawerOpen->setEnabled(false);
    m_enablePoll.stop();
  });
}

void COposDrawerDlg::OnRelease() {
  GuardedCall(this, [&] {
    m_control->ReleaseDevice();
    m_deviceEnable->setChecked(m_control->GetDeviceEnabled());
    m_claim->setEnabled(true);
    m_release->setEnabled(false);
  });
}

void COposDrawerDlg::OnOpenDrawer() {
  GuardedCall(this, [&] {
    const int32_t rc = m_control->OpenDrawer();
    if (rc != 0) Message(ResultText(rc), QStringLiteral("Info"));
  });
}

void COposDrawerDlg::OnEnablePoll() {
  GuardedCall(this, [&] {
    const bool enabled = m_control->GetDeviceEnabled();
    m_openDrawer->setEnabled(enabled);
    m_drawerOpen->setEnabled(enabled);
  });
}

void COposDrawerDlg::OnStatusUpdate(int data) {
  if (data == kSueDrawerOpen) m_drawerOpen->setChecked(true);
  if (data == kSueDrawerClosed) m_drawerOpen->setChecked(false);
}

}  // namespace qvtestapp
