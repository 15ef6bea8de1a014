#include "ui/DbEdit.h"

#include "engine/EngineError.h"
#include "ui/Dialogs.h"
#include "ui/FieldText.h"

#include <QKeyEvent>

namespace ui {

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (upperCase_ && text != text.toUpper()) {
            int at = cursorPosition();
            setText(text.toUpper());
            setCursorPosition(at);
        }
        typed_ = true;
    });
    connect(this, &QLineEdit::returnPressed, this, [this] { commitShowingError(); });
    binding_.link.onState = [this](engine::TDataSource&) { showField(); };
    binding_.link.onData = [this](engine::TDataSource&, engine::TField* changed) {
        if (!changed || changed == field())
            showField();
    };
    binding_.link.onCommit = [this] { commit(); };
}

void DbEdit::bind(engine::TDataSource* source, const std::string& fieldName) {
    binding_.bind(source, fieldName);
    showField();
}

void DbEdit::showField() {
    if (showing_)
        return;
    showing_ = true;
    engine::TField* f = field();
    bool editing = binding_.editing();
    setReadOnly(!editing);
    QString mask = f && editing ? inputMaskOf(f->EditMask) : QString();
    if (inputMask() != mask)
        setInputMask(mask);
    bool text = f && f->DataType() == engine::ftString && f->Size() > 0;
    setMaxLength(text ? f->Size() : 32767);
    if (!f)
        setText({});
    else if (editing && !mask.isEmpty())
        setText(f->IsNull() ? QString() : ui::displayText(*f));
    else
        setText(editing ? QString::fromStdString(f->AsString()) : ui::displayText(*f));
    typed_ = false;
    showing_ = false;
}

void DbEdit::commit() {
    engine::TField* f = field();
    if (!typed_ || !f || !binding_.editing())
        return;
    QString value = upperCase_ ? text().toUpper() : text();
    storeText(*f, value, inputMask());
    typed_ = false;
}

void DbEdit::commitShowingError() {
    try {
        commit();
    } catch (const std::exception& error) {
        selectAll();
        dialogs().error(QString::fromStdString(error.what()));
    }
}

void DbEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    commitShowingError();
}

void DbEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && typed_) {
        showField(); // puts the field's value back
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace ui
