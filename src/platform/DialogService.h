#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

enum class MsgIcon { None, Information, Warning, Error, Question };

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

// Same values as the Windows message box answers.
enum class MsgResult { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The answers of a button set in the order the buttons are shown.
std::vector<MsgResult> buttonResults(MsgButtons buttons);
// The answer of the 1-based default button; an index outside the set means the first.
MsgResult defaultAnswer(MsgButtons buttons, int defaultButton);

// How code below the windows talks to the user. The GUI installs an
// implementation with real boxes; tests install a DialogRecorder.
class DialogService
{
public:
    virtual ~DialogService() = default;

    virtual void showMessage(const QString& text) = 0;
    virtual MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons,
                                 MsgIcon icon, int defaultButton = 1) = 0;
    // False when cancelled; value holds the initial text and receives the answer.
    virtual bool inputQuery(const QString& title, const QString& prompt, QString& value,
                            bool password = false) = 0;
    // Empty when cancelled.
    virtual QString openFileName(const QString& title, const QString& filter, const QString& dir = {}) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter, const QString& dir = {}) = 0;
};

// The current service. Until one is installed it is a console service that
// logs every text through qWarning and answers the default button, false or
// an empty name.
DialogService& dialogs();
// Installs a service and returns the previous one (null when that was the
// console service); installing null brings the console service back.
std::unique_ptr<DialogService> setDialogService(std::unique_ptr<DialogService> service);

struct DialogEntry
{
    QString kind;  // "message", "box", "input", "open" or "save"
    QString text;  // message text, input prompt, or file filter
    QString title;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    int defaultButton = 1;
};

// Records every call and answers from queues filled by the test, one queue
// per kind of answer, first in first out. With its queue empty a call gets
// the default button, false or an empty name, so nothing ever blocks.
// Safe to call from worker threads.
class DialogRecorder : public DialogService
{
public:
    void showMessage(const QString& text) override;
    MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                         int defaultButton = 1) override;
    bool inputQuery(const QString& title, const QString& prompt, QString& value, bool password = false) override;
    QString openFileName(const QString& title, const QString& filter, const QString& dir = {}) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& dir = {}) override;

    void pushAnswer(MsgResult answer);
    void pushInput(bool ok, const QString& value);
    void pushFile(const QString& fileName);

    std::vector<DialogEntry> entries() const;
    QStringList texts() const;
    // Forgets the recorded calls and any answers not used yet.
    void clear();

private:
    void record(DialogEntry entry);
    QString nextFile(const char* kind, const QString& title, const QString& filter);

    mutable std::mutex m_mutex;
    std::vector<DialogEntry> m_entries;
    std::deque<MsgResult> m_answers;
    std::deque<std::pair<bool, QString>> m_inputs;
    std::deque<QString> m_files;
};

// Installs a fresh recorder for the life of the object and puts the previous
// service back afterwards.
class ScopedDialogRecorder
{
public:
    ScopedDialogRecorder();
    ~ScopedDialogRecorder();
    ScopedDialogRecorder(const ScopedDialogRecorder&) = delete;
    ScopedDialogRecorder& operator=(const ScopedDialogRecorder&) = delete;

    DialogRecorder& recorder() const { return *m_recorder; }
    DialogRecorder* operator->() const { return m_recorder; }

private:
    DialogRecorder* m_recorder; // owned by the installed service slot
    std::unique_ptr<DialogService> m_previous;
};
