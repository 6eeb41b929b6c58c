#include "quarnel/window/TipsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/SysReg.h"

namespace {
constexpr std::string_view kStoreKey = "Software\\Orvanesoft\\Quarnel\\Tips";
constexpr std::string_view kSection = "Tips";
}  // namespace

bool TipsDialog::ShowAtStart() {
  CSysReg store(kStoreKey, CSysReg::kUserStore);
  int show = 1;
  if (store.ReadSection(kSection)) store.Read("StartUp", show, 1);
  return show != 0;
}

TipsDialog::TipsDialog(std::vector<std::string> tips, QWidget* parent)
    : QDialog(parent), tips_(std::move(tips)), text_(new QLabel(this)), atStart_(new QCheckBox(QStringLiteral("&Show tips at start"), this)) {
  setWindowTitle(QStringLiteral("Tip of the Day"));
  auto* heading = new QLabel(QStringLiteral("<b>Did you know...</b>"), this);
  text_->setWordWrap(true);
  text_->setMinimumSize(380, 90);
  text_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  atStart_->setChecked(ShowAtStart());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* next = buttons->addButton(QStringLiteral("&Next Tip"), QDialogButtonBox::ActionRole);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(text_, 1);
  layout->addWidget(atStart_);
  layout->addWidget(buttons);
  connect(next, &QPushButton::clicked, this, [this] { ShowTip(current_ + 1); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  next->setEnabled(tips_.size() > 1);
  ShowTip(0);
}

TipsDialog::~TipsDialog() {
  CSysReg store(kStoreKey, CSysReg::kUserStore);
  store.Section(kSection, 1);
  store.Save("StartUp", atStart_->isChecked() ? 1 : 0);
  store.SaveSection();
}

void TipsDialog::ShowTip(size_t index) {
  if (tips_.empty()) return;
  current_ = index % tips_.size();
  text_->setText(QString::fromStdString(tips_[current_]));
}
