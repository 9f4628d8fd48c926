#include "qt/qt_dialog_view.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include "qt/dialog_controls.h"
#include "qt/log_panel.h"
#include "qt/port_combo.h"
#include "qt/status_pictures.h"

namespace kq {

QtDialogView::QtDialogView(QtModalBoxes boxes, QWidget* parent) : QDialog(parent), boxes_(std::move(boxes)) {}

void QtDialogView::addControl(int id, QWidget* control) { controls_[id] = control; }

QWidget* QtDialogView::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

template <typename T>
T* QtDialogView::controlAs(int id) const {
    return qobject_cast<T*>(control(id));
}

void QtDialogView::listenTo(WindowEvents& events) {
    events_ = &events;
    for (const auto& [id, widget] : controls_) {
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            connect(button, &QPushButton::clicked, this,
                    [this, id = id] { forward([id](WindowEvents& e) { e.clicked(id); }); });
        } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
            // Writes block the box's signals, so only the user's changes arrive.
            connect(box, &QComboBox::currentIndexChanged, this,
                    [this, id = id] { forward([id](WindowEvents& e) { e.selectionChanged(id); }); });
            connect(box, &QComboBox::activated, this,
                    [this, id = id] { forward([id](WindowEvents& e) { e.selectionConfirmed(id); }); });
            if (auto* ports = qobject_cast<PortCombo*>(box))
                connect(ports, &PortCombo::aboutToDropDown, this,
                        [this, id = id] { forward([id](WindowEvents& e) { e.droppingDown(id); }); });
        }
    }
}

// ---- controls ---------------------------------------------------------------------------

std::string QtDialogView::text(int id) const {
    QString text;
    if (auto* log = controlAs<LogPanel>(id)) text = log->savedText();
    else if (auto* edit = controlAs<QLineEdit>(id)) text = edit->text();
    else if (auto* edit = controlAs<QPlainTextEdit>(id)) text = edit->toPlainText();
    else if (auto* label = controlAs<QLabel>(id)) text = label->text();
    else if (auto* button = controlAs<QPushButton>(id)) text = button->text();
    else if (auto* box = controlAs<QComboBox>(id)) text = box->currentText();
    return text.toStdString();
}

void QtDialogView::setText(int id, std::string_view utf8) {
    const QString text = fromUtf8(utf8);
    if (auto* log = controlAs<LogPanel>(id)) {
        if (text.isEmpty()) log->clear();
        else log->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    } else if (auto* edit = controlAs<QLineEdit>(id)) {
        // Only text that differs is replaced, so a cursor in a box stays where it is.
        if (edit->text() != text) edit->setText(text);
    } else if (auto* edit = controlAs<QPlainTextEdit>(id)) {
        if (edit->toPlainText() != text) edit->setPlainText(text);
    } else if (auto* label = controlAs<QLabel>(id)) {
        label->setText(text);
    } else if (auto* button = controlAs<QPushButton>(id)) {
        button->setText(text);
    }
}

void QtDialogView::setTextLimit(int id, int characters) {
    if (auto* edit = controlAs<QLineEdit>(id)) edit->setMaxLength(characters);
}

void QtDialogView::setItems(int id, const std::vector<std::string>& items) {
    auto* box = controlAs<QComboBox>(id);
    if (box == nullptr) return;
    const QSignalBlocker quiet(box);
    box->clear();
    for (const std::string& item : items) box->addItem(fromUtf8(item));
    box->setCurrentIndex(-1);
}

int QtDialogView::selectedItem(int id) const {
    const auto* box = controlAs<QComboBox>(id);
    return box == nullptr ? -1 : box->currentIndex();
}

void QtDialogView::selectItem(int id, int index) {
    auto* box = controlAs<QComboBox>(id);
    if (box == nullptr) return;
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

void QtDialogView::setVisible(int id, bool visible) {
    if (QWidget* widget = control(id)) widget->setVisible(visible);
}

void QtDialogView::focusControl(int id) {
    QWidget* widget = control(id);
    if (widget == nullptr) return;
    widget->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) edit->selectAll();
}

int QtDialogView::textLength(int id) const {
    const auto* log = controlAs<LogPanel>(id);
    return log == nullptr ? 0 : log->textLength();
}

void QtDialogView::appendText(int id, std::string_view text, TextColour colour, bool restoreDefaultFormat) {
    if (auto* log = controlAs<LogPanel>(id))
        log->appendInColour(text, QColor(colour.red, colour.green, colour.blue), restoreDefaultFormat);
}

void QtDialogView::showPicture(int id, int pictureId) {
    auto* picture = controlAs<QLabel>(id);
    if (picture == nullptr) return;
    picture->setPixmap(statusPixmap(pictureId));
    picture->setAccessibleDescription(statusDescription(pictureId));
}

void QtDialogView::setProgress(int id, int value, int maximum) {
    auto* bar = controlAs<QProgressBar>(id);
    if (bar == nullptr) return;
    if (maximum == 0) {
        bar->reset();
        return;
    }
    bar->setRange(0, maximum);
    bar->setValue(value);
}

// ---- modal boxes and the window ----------------------------------------------------------

void QtDialogView::showMessage(std::string_view text, MessageIcon icon) {
    if (boxes_.showMessage) boxes_.showMessage(this, fromUtf8(text), icon);
}

bool QtDialogView::askOkCancel(std::string_view title, std::string_view text) {
    return boxes_.askOkCancel && boxes_.askOkCancel(this, fromUtf8(title), fromUtf8(text));
}

std::string QtDialogView::chooseHexFile() {
    return boxes_.chooseHexFile ? boxes_.chooseHexFile(this).toStdString() : std::string();
}

void QtDialogView::handlePendingEvents() { QCoreApplication::processEvents(); }

void QtDialogView::closeWindow() {
    closing_ = true;
    QDialog::done(QDialog::Rejected);
    closing_ = false;
}

void QtDialogView::done(int result) {
    if (closing_ || events_ == nullptr) {
        QDialog::done(result);
        return;
    }
    events_->closeRequested();
}

void QtDialogView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (events_ != nullptr && enter && plain) {
        event->accept();
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            events_->ok();
        }
        return;
    }
    if (events_ != nullptr && event->matches(QKeySequence::Cancel)) {
        event->accept();
        events_->cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kq
