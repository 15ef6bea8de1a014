#pragma once

#include "engine/dataset/Field.h"

#include <QString>

namespace ui {

// The text a control shows for a field: dates by the field's DisplayFormat
// ("dd/mm/yyyy" when none), logicals by a DisplayFormat "yes text;no text"
// when set, everything else as the field's own text.
QString displayText(const engine::TField& field);

// Formats a date with the tokens dd, mm and yyyy of a display format.
QString formatDate(engine::Date date, const QString& format);

// The Qt input mask of a field's edit mask ("!99/99/0000;1;_" gives
// "99/99/0000;_"): the leading "!" and the keep-literals section dropped.
QString inputMaskOf(const std::string& editMask);

// The text with its letters in capitals where the code page of the field's
// table holds the capital as one character; other letters stay as typed
// ("straße" gives "STRAßE"). Without a known code page only ASCII letters
// change.
QString upperCase(const engine::TField& field, const QString& text);

// Stores a control's text into the field. A masked text with nothing typed
// empties the field. A value the field cannot hold raises the engine's error
// and stores nothing.
void storeText(engine::TField& field, const QString& text, const QString& inputMask = {});

} // namespace ui
