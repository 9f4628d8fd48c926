// The one Qt view of both windows: a dialog whose controls are registered by
// their resource ids. It carries out what the window logic asks (DialogView)
// and forwards what the user does (WindowEvents). A window's own dialog class
// only lays its controls out, registers them and builds its logic.
//
// Controls by kind: QLineEdit and QPlainTextEdit (edit boxes), QTextEdit (the
// rich-text log, a LogPanel), QLabel (texts and pictures), QPushButton,
// QComboBox (a PortCombo also announces its drop-down), QProgressBar.
#pragma once

#include <QDialog>

#include <map>

#include "dialog_view/dialog_view.h"
#include "qt/modal_boxes.h"

namespace kq {

class QtDialogView : public QDialog, public DialogView {
    Q_OBJECT
public:
    explicit QtDialogView(QtModalBoxes boxes, QWidget* parent = nullptr);

    // The control registered under id; nullptr for none.
    QWidget* control(int id) const;

    using QDialog::setVisible;  // the window's own, beside DialogView's by id

    // ---- DialogView ----------------------------------------------------------------
    std::string text(int id) const override;
    void setText(int id, std::string_view text) override;
    void setTextLimit(int id, int characters) override;
    void setItems(int id, const std::vector<std::string>& items) override;
    int selectedItem(int id) const override;
    void selectItem(int id, int index) override;
    void setVisible(int id, bool visible) override;
    void focusControl(int id) override;
    int textLength(int id) const override;
    void appendText(int id, std::string_view text, TextColour colour, bool restoreDefaultFormat) override;
    void showPicture(int id, int pictureId) override;
    void setProgress(int id, int value, int maximum) override;
    void showMessage(std::string_view text, MessageIcon icon) override;
    bool askOkCancel(std::string_view title, std::string_view text) override;
    std::string chooseHexFile() override;
    void handlePendingEvents() override;
    void closeWindow() override;

public slots:
    // Every way of ending the window (Esc, the close box, done() from
    // anywhere) asks the logic, which calls closeWindow() when it may close.
    void done(int result) override;

protected:
    // Registers a control under its resource id.
    void addControl(int id, QWidget* control);
    // Forwards the events of every registered control, Enter and Esc to events.
    void listenTo(WindowEvents& events);
    // Forwards nothing more: a window calls it before its logic goes, so that
    // no control dying after it reports to it.
    void stopListening() { events_ = nullptr; }

    // Enter presses the push button that has the focus, elsewhere it is ok();
    // Esc is cancel().
    void keyPressEvent(QKeyEvent* event) override;

private:
    template <typename T>
    T* controlAs(int id) const;
    // Calls tell with the logic, while there is one.
    template <typename Tell>
    void forward(Tell tell) {
        if (events_ != nullptr) tell(*events_);
    }

    std::map<int, QWidget*> controls_;
    QtModalBoxes boxes_;
    WindowEvents* events_ = nullptr;
    bool closing_ = false;  // inside closeWindow(): done() ends the window
};

}  // namespace kq
