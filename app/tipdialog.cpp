#include "app/tipdialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/strings/stringtable.h"
#include "controls/tips.h"
#include "controls/ui/kvplib.h"

namespace kv {

TipDialog::TipDialog(SettingsStore& store, std::vector<std::string> tips, QWidget* parent)
    : QDialog(parent), m_store(store), m_tips(std::move(tips)), m_state(ReadTipState(store))
{
    setObjectName("TipOfTheDay");
    setWindowTitle(tr("Tip of the Day"));
    auto* picture = new QLabel(this);
    const QPixmap logo = LoadLogo();
    if (!logo.isNull())
        picture->setPixmap(logo.scaledToWidth(96, Qt::SmoothTransformation));
    const char* heading = LoadString(380);
    auto* title = new QLabel(QString::fromUtf8(heading ? heading : "Did you know..."), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    m_text = new QLabel(this);
    m_text->setObjectName("tipText");
    m_text->setWordWrap(true);
    m_text->setMinimumSize(320, 90);
    m_text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_show = new QCheckBox(tr("&Show Tips at Startup"), this);
    m_show->setChecked(m_state.show);
    auto* next = new QPushButton(tr("&Next Tip"), this);
    next->setObjectName("nextTip");
    auto* closeButton = new QPushButton(tr("&Close"), this);
    closeButton->setDefault(true);
    connect(next, &QPushButton::clicked, this, &TipDialog::NextTip);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* body = new QVBoxLayout;
    body->addWidget(title);
    body->addWidget(m_text, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(body, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_show);
    buttons->addStretch(1);
    buttons->addWidget(next);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    NextTip();
}

void TipDialog::NextTip()
{
    if (m_tips.empty())
        return;
    m_state.lastId = NextTipId(m_state.lastId, int(m_tips.size()));
    m_text->setText(TipText());
}

QString TipDialog::TipText() const
{
    const int index = m_state.lastId - kFirstTipId;
    if (index < 0 || size_t(index) >= m_tips.size())
        return {};
    return QString::fromStdString(m_tips[size_t(index)]);
}

void TipDialog::done(int result)
{
    m_state.show = m_show->isChecked();
    WriteTipState(m_store, m_state);
    QDialog::done(result);
}

}  // namespace kv
