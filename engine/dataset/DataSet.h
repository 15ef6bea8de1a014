#pragma once

#include "engine/base/ErrorBoundary.h"
#include "engine/dataset/DataSetTypes.h"
#include "engine/dataset/Field.h"
#include "engine/values/Value.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace engine {

class TDataSource;

// The rows of a table or a query seen one at a time, with the classic
// states (browse, edit, insert, set key), events and field access.
//
// Rules callers rely on:
//  - Edit on an empty dataset starts an insert.
//  - Moving, Insert or Refresh while a row is pending posts it when a value
//    was changed and drops it otherwise.
//  - BeforePost may throw to abort a store; the state and typed values stay.
//  - Values set while entering insert state (state-change handlers,
//    OnNewRecord) are presets: they do not count as changes.
class TDataSet {
public:
    using Event = std::function<void(TDataSet&)>;

    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    std::string Name;

    void Open();
    void Close();
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active) { active ? Open() : Close(); }
    TDataSetState State() const { return state_; }

    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return Active() && !hasRow_ && state_ != dsInsert; }
    virtual void Refresh();

    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return modified_; }
    // Posts a pending row when it was changed, else drops it.
    void CheckBrowseMode();
    // Lets the controls of the data sources store what they show (done
    // before every store of a pending row).
    void UpdateRecord();

    // Fields: the table's columns unless persistent fields were declared
    // before opening; calculated and lookup fields are always declared.
    TField& AddField(const std::string& name, TFieldType type, int size, TFieldKind kind = fkData);
    TField& FieldByName(const std::string& name);
    TField* FindField(const std::string& name);
    const std::vector<std::unique_ptr<TField>>& Fields() const { return fields_; }

    // Value of `resultField` in the first row whose `keyFields` (";" separated)
    // equal `keyValues`, without moving; null when there is none. A dataset
    // that cannot search (a query) raises NotSupported.
    virtual Value Lookup(const std::string& keyFields, const Record& keyValues,
                         const std::string& resultField);

    Event BeforePost;
    Event AfterPost;
    Event BeforeDelete;
    Event AfterDelete;
    Event OnNewRecord;
    Event OnCalcFields;
    Event AfterScroll;
    Event AfterOpen;
    Event BeforeClose;

    // Data sources call these to follow the dataset.
    void attach(TDataSource* source);
    void detach(TDataSource* source);

protected:
    // What a concrete dataset provides. The position calls return false
    // when there is no such row; on success they leave the row in current_.
    virtual void internalOpen() = 0;
    virtual void internalClose() = 0;
    virtual bool internalFirst() = 0;
    virtual bool internalLast() = 0;
    virtual bool internalNext() = 0;
    virtual bool internalPrior() = 0;
    // Re-reads the current row after the table changed; false when it is gone
    // (the dataset then stands on the nearest row, if any, in current_).
    virtual bool internalResync() = 0;
    virtual void internalRefresh() = 0;
    virtual void internalPost(bool inserting, const Record& values) = 0;
    // Deletes the current row and stands on the next one (or the new last
    // one); false when no row is left.
    virtual bool internalDelete() = 0;
    virtual bool canModify() const = 0;
    // Why Insert, Edit and Delete are refused when canModify() is false.
    virtual std::string readOnlyMessage() const { return Name + ": dataset cannot be modified"; }
    // Table columns of the open dataset.
    virtual const FieldList& columns() const = 0;

    // For concrete datasets: the row loaded by the internal calls.
    Record current_;
    bool hasRow_ = false;

    void setState(TDataSetState state);
    void dataChanged(TField* field = nullptr);
    // Loads a fresh current row: computes calculated and lookup fields.
    void rowChanged();
    void setEofBof(bool eof, bool bof) {
        eof_ = eof;
        bof_ = bof;
    }
    // Key buffer for dsSetKey (tables).
    Record& keyBuffer() { return keyBuffer_; }
    void enterSetKey();
    void leaveSetKey();
    const Record& displayed() const;
    // Runs the engine's part of a public call (the internal calls) behind the
    // error boundary; events and data sources stay outside it, so what they
    // throw reaches the caller as it was thrown.
    template <class Call> decltype(auto) engineCall(Call&& call) const {
        return engineBoundary(Name, std::forward<Call>(call));
    }

private:
    friend class TField;
    Value fieldValue(const TField& field) const;
    void storeFieldValue(const TField& field, const Value& value);
    void bindFields();
    void computeDerivedFields();
    void requireActive(const char* what) const;
    void fireScroll();

    TDataSetState state_ = dsInactive;
    std::vector<std::unique_ptr<TField>> fields_;
    bool declaredFields_ = false;
    Record buffer_;
    Record keyBuffer_;
    std::vector<Value> derived_;
    const Record* calcRow_ = nullptr; // the row calculated fields read from
    bool modified_ = false;
    bool eof_ = true;
    bool bof_ = true;
    TDataSetState stateBeforeKey_ = dsBrowse;
    std::vector<TDataSource*> sources_;
};

} // namespace engine
