#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"
#include "tasks/AdoTask.h"
#include "tasks/TaskDraft.h"

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace zelkor {

// The "New Task" (FrmNew) and "Edit Task" (FrmEdit) dialogs: one form, one
// set of rules; the mode decides the caption, the start of the second list,
// whether the selected task is loaded, and which row OK writes.
class TaskDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { New, Edit };

    // Builds and loads the dialog (in Edit mode, the task SelectedTaskId).
    TaskDialog(Mode mode, Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~TaskDialog() override;

    Mode mode() const { return m_mode; }
    int CurrentKind = -1; // the chosen schedule kind, -1 = none yet

    // The handlers, also called by tests as a click would.
    void Option1_Click(int kind);   // a kind is chosen
    void ImageCombo1_Click();       // the user chose an action
    void Combo1_Click();            // launch-or-message changed, by user or program
    void Check1_Click(int weekday); // a day button was pressed
    void Command1_Click();          // browse for a file
    void Command2_Click();          // OK: check, store, refresh, close
    void Command3_Click();          // Cancel

    void ResetScheduleInputs();
    void LoadTask();

    // The controls' values, and back.
    TaskDraft draft() const;
    void showSchedule(const TaskDraft& draft);

    // The open-file service; returns an empty text when cancelled.
    using FileChooser = std::function<QString(QWidget*)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    QGroupBox* Frame1 = nullptr; // "What time"
    QGroupBox* Frame2 = nullptr; // "What to do"
    std::array<QRadioButton*, 5> Option1{};
    QTimeEdit* DTPicker1 = nullptr; // forbidden period start
    QTimeEdit* DTPicker2 = nullptr; // forbidden period end
    QTimeEdit* DTPicker3 = nullptr; // time of day
    QDateEdit* DTPicker4 = nullptr; // date of a Once task
    QDateEdit* DTPicker5 = nullptr; // day of the month
    std::array<QPushButton*, 7> Check1{}; // day buttons, Sunday first
    QComboBox* ImageCombo1 = nullptr;     // action 1..8
    QComboBox* Combo1 = nullptr;          // launch (0) or show message (1)
    QLineEdit* TxtDir = nullptr;
    QPushButton* Command1 = nullptr; // "..."
    QPushButton* Command2 = nullptr; // "OK"
    QPushButton* Command3 = nullptr; // "Cancel"
    QPushButton* cmdTest = nullptr;  // focus sink outside the visible area

signals:
    // The task was stored; the main window refreshes before the dialog closes.
    void saved();

private:
    void buildForm();
    QWidget* buildScheduleFrame();
    QWidget* buildActionFrame();
    void Form_Load();
    void setTextInputsEnabled(bool enabled);
    std::array<QWidget*, 5> schedulePickers() const; // DTPicker1 .. DTPicker5

    Mode m_mode = Mode::New;
    Platform& m_platform;
    AppState& m_state;
    AdoTask m_ado;
    FileChooser m_chooseFile;
};

} // namespace zelkor
