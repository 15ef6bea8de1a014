#pragma once

#include "engine/dataset/DataSetTypes.h"

#include <functional>

namespace engine {

class TDataSet;
class TField;

// Links data-aware controls to a dataset and tells them about its state and
// its data. While disabled it reports dsInactive and tells nothing.
class TDataSource {
public:
    TDataSource() = default;
    explicit TDataSource(TDataSet* dataSet);
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Typing into a control starts an edit only when this is on.
    bool AutoEdit = true;
    TDataSetState State() const;

    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&, TField*)> OnDataChange;
    // Asked before a pending row is stored: controls put what they show into
    // their fields.
    std::function<void(TDataSource&)> OnUpdateRecord;
    // Called as the source goes: the controls bound to it let go of it (a
    // window's controls may outlive the window's own members).
    std::function<void(TDataSource&)> OnDestroy;

    // Called by the dataset.
    void datasetStateChanged();
    void datasetDataChanged(TField* field);
    void datasetUpdateRecord();
    void datasetGone();

private:
    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
};

} // namespace engine
