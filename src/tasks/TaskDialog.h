#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"
#include "shell/PictureCombo.h"
#include "tasks/TaskDraft.h"
#include "tasks/TaskStore.h"

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTimeEdit;

namespace zelkor {

// The "New Task" (FrmNew) and "Edit Task" (FrmEdit) dialogs: one form, one
// set of rules; the mode decides the caption, the start of the second list,
// whether the selected task is loaded, and which row OK writes.
class TaskDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { New, Edit };

    // Builds and loads the dialog (in Edit mode, the task selectedTaskId).
    TaskDialog(Mode mode, Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~TaskDialog() override;

    Mode mode() const { return m_mode; }
    int m_currentKind = -1; // -1 = none chosen yet

    // The handlers, also called by tests as a click would.
    void onKindChosen(int kind);    // a kind is chosen
    void onActionChosen();          // the user chose an action
    void onTargetModeChosen();      // launch-or-message changed, by user or program
    void onDayToggled(int weekday); // a day button was pressed
    void browseForTarget();         // browse for a file
    void onOkClicked();             // OK: check, store, refresh, close
    void onCancelClicked();         // Cancel

    void resetScheduleInputs();
    void loadTask();

    // The controls' values, and back.
    TaskDraft draft() const;
    void showSchedule(const TaskDraft& draft);

    // The open-file service; returns an empty text when cancelled.
    using FileChooser = std::function<QString(QWidget*)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // Asked before a new task is stored; false keeps the dialog open.
    using NewTaskGuard = std::function<bool(QWidget* asker, const TaskDraft& draft)>;
    void setNewTaskGuard(NewTaskGuard allowed) { m_newTaskGuard = std::move(allowed); }

    QGroupBox* m_scheduleFrame = nullptr;
    QScrollArea* m_fieldScroller = nullptr; // the two frames, scrolled on a small screen
    QGroupBox* m_actionFrame = nullptr;
    std::array<QRadioButton*, 5> m_kindButtons{};
    QTimeEdit* m_periodStartEdit = nullptr;
    QTimeEdit* m_periodEndEdit = nullptr;
    QTimeEdit* m_timeOfDayEdit = nullptr;
    QDateEdit* m_onceDateEdit = nullptr;
    QDateEdit* m_monthDayEdit = nullptr;        // only its day counts
    std::array<QPushButton*, 7> m_dayButtons{}; // Sunday first
    PictureCombo* m_actionCombo = nullptr;      // actions 1..8
    QComboBox* m_targetModeCombo = nullptr;     // launch (0) or show message (1)
    QLineEdit* m_targetEdit = nullptr;
    QPushButton* m_browseButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_focusSink = nullptr; // outside the visible area

signals:
    // The task was stored; the main window refreshes before the dialog closes.
    void saved();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildForm();
    QWidget* buildScheduleFrame();
    QWidget* buildActionFrame();
    void loadForm();
    void fitToScreen(); // sized and placed once the fields are filled, and at the first show
    void setTextInputsEnabled(bool enabled);
    std::array<QWidget*, 5> schedulePickers() const; // in the order of the kinds

    Mode m_mode = Mode::New;
    Platform& m_platform;
    AppState& m_state;
    TaskStore m_store;
    FileChooser m_chooseFile;
    NewTaskGuard m_newTaskGuard;
    bool m_fittedShown = false;
};

} // namespace zelkor
