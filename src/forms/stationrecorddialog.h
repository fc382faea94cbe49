#pragma once

#include "alarms/alarmsettings.h"
#include "config/settingsdraft.h"
#include "shell/clock.h"

#include <QDialog>

class QDialogButtonBox;
class QSpinBox;
class QTabWidget;

namespace zel {

class AlertComposer;
class AlertsPage;
class LimitsTable;
class ReplayPanel;
class SettingLine;

// The station record's settings in one window: the limits on every reading
// (with a try over the recorded history), the silence detector, the alerts
// and the longest shelving. Edits stay in a draft until Save, which is
// offered only while every value can be used.
class StationRecordDialog : public QDialog {
    Q_OBJECT
public:
    StationRecordDialog(SettingsStore& store, const AlertComposer* composer,
                        const QString& historyPath, const Clock& clock, QWidget* parent = nullptr);
    ~StationRecordDialog() override;

    enum Page { Limits, Silence, Alerts, Shelving };
    QTabWidget* pages() const { return m_pages; }
    LimitsTable* limits() const { return m_limits; }
    ReplayPanel* replay() const { return m_replay; }
    AlertsPage* alerts() const { return m_alerts; }
    bool canSave() const;

public Q_SLOTS:
    // Saves and closes; stays open with the reason when the alerts cannot be
    // written or protected.
    void accept() override;

Q_SIGNALS:
    // Everything was written: the monitor reads the limits and alerts again.
    void saved();

private:
    QWidget* limitsPage(const QString& historyPath, const Clock& clock);
    QWidget* silencePage();
    QWidget* shelvingPage();
    SettingLine* addLevel(const QString& key, double fallback);
    SettingLine* addSeconds(const QString& key, int fallback);
    void judge();

    SettingsStore& m_store;
    SettingsDraft m_draft;
    AlarmSettings m_alarms;
    QTabWidget* m_pages;
    LimitsTable* m_limits = nullptr;
    ReplayPanel* m_replay = nullptr;
    AlertsPage* m_alerts;
    QList<SettingLine*> m_lines;
    SettingLine* m_silenceLevel = nullptr;
    SettingLine* m_silenceClear = nullptr;
    QSpinBox* m_shelve = nullptr;
    QDialogButtonBox* m_buttons;
};

} // namespace zel
