#include "ui/DbEdit.h"

#include "engine/base/EngineError.h"
#include "ui/FieldText.h"

#include <QKeyEvent>

namespace ui {

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        engine::TField* f = field();
        QString upper = upperCase_ && f ? ui::upperCase(*f, text) : text;
        if (upper != text) { // as long as the text: the caret stays
            int at = cursorPosition();
            setText(upper);
            setCursorPosition(at);
        }
        typed_ = true;
    });
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
    QString value = upperCase_ ? ui::upperCase(*f, text()) : text();
    storeText(*f, value, inputMask());
    typed_ = false;
}

void DbEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    try {
        commit();
    } catch (const engine::EngineError&) {
        // Shown when the row is stored; the focus may be on its way to Cancel.
    }
}

void DbEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && typed_) {
        showField(); // puts the field's value back
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace ui
