#include "reportengine/Band.h"

namespace reportengine {

Label& Band::addLabel(const QString& name, double x, double y, const QFont& font,
                      const QString& text) {
    labels_.push_back(std::make_unique<Label>(name, x, y, font));
    labels_.back()->text = text;
    return *labels_.back();
}

Label* Band::label(const QString& name) {
    for (auto& label : labels_)
        if (label->name() == name)
            return label.get();
    return nullptr;
}

} // namespace reportengine
