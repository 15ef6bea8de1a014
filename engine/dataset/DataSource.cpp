#include "engine/dataset/DataSource.h"

#include "engine/dataset/DataSet.h"

namespace engine {

TDataSource::TDataSource(TDataSet* dataSet) {
    SetDataSet(dataSet);
}

TDataSource::~TDataSource() {
    if (OnDestroy)
        OnDestroy(*this);
    if (dataSet_)
        dataSet_->detach(this);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet_ == dataSet)
        return;
    if (dataSet_)
        dataSet_->detach(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->attach(this);
    datasetStateChanged();
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    if (OnStateChange)
        OnStateChange(*this);
    if (enabled_)
        datasetDataChanged(nullptr);
}

TDataSetState TDataSource::State() const {
    return (dataSet_ && enabled_) ? dataSet_->State() : dsInactive;
}

void TDataSource::datasetStateChanged() {
    if (enabled_ && OnStateChange)
        OnStateChange(*this);
}

void TDataSource::datasetDataChanged(TField* field) {
    if (enabled_ && OnDataChange)
        OnDataChange(*this, field);
}

void TDataSource::datasetUpdateRecord() {
    if (enabled_ && OnUpdateRecord)
        OnUpdateRecord(*this);
}

void TDataSource::datasetGone() {
    dataSet_ = nullptr;
}

} // namespace engine
