#pragma once

#include "ui/FieldBinding.h"

#include <QLineEdit>

namespace ui {

// An edit box bound to a field. It can be typed into only while the dataset
// is inserting or editing; it takes at most as many characters as a text
// field holds; the field's edit mask applies while editing and its display
// format otherwise. Leaving the box stores the text; a value the field cannot
// hold stays typed, unstored, and its error is raised when the dataset stores
// the row (updateRecord), so that one refusal shows one error box. Enter does
// nothing; Escape puts back the field's value.
class DbEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);

    void bind(engine::TDataSource* source, const std::string& fieldName);
    engine::TField* field() const { return binding_.field(); }
    // Typed letters become capitals, as far as the field's table can hold them.
    void setUpperCase(bool upper) { upperCase_ = upper; }
    bool upperCase() const { return upperCase_; }

    // Stores the text into the field; raises the field's error when refused.
    void commit();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showField();

    FieldBinding binding_;
    bool upperCase_ = false;
    bool typed_ = false;
    bool showing_ = false;
};

} // namespace ui
