#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/document/recentfiles.h"

class QCheckBox;
class QLabel;

namespace kv {

class SettingsStore;

// "Tip of the Day": the heading (380), one tip, "&Show Tips at Startup",
// "&Next Tip" and "&Close". Opening and Next Tip step "LastID" on, wrapping
// past the last tip; Close writes "LastID" and "Show".
class TipDialog : public QDialog {
    Q_OBJECT

public:
    TipDialog(SettingsStore& store, std::vector<std::string> tips, QWidget* parent = nullptr);
    void NextTip();
    int LastId() const { return m_state.lastId; }
    QString TipText() const;
    QCheckBox* ShowAtStartup() const { return m_show; }

protected:
    void done(int result) override;

private:
    SettingsStore& m_store;
    std::vector<std::string> m_tips;
    TipState m_state;
    QLabel* m_text = nullptr;
    QCheckBox* m_show = nullptr;
};

}  // namespace kv
