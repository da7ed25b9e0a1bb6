#pragma once
// A file's extents on the device, walked with GetFirst / GetNext / IsDone.

struct DataRun {
  long long lcn = 0;     // first cluster, relative to the partition's cluster origin; negative = sparse
  long long length = 0;  // in clusters
};
static_assert(sizeof(DataRun) == 16);

class IDataRunList {
 public:
  virtual ~IDataRunList() = default;
  virtual DataRun* GetFirst() = 0;  // null when empty
  virtual DataRun* GetNext() = 0;   // null at the end
  virtual int IsDone() = 0;
  virtual int IsResident() = 0;
  virtual IDataRunList* Clone() = 0;
  // Appends a copy; a run that starts where a non-sparse last run ends lengthens it instead.
  virtual void AddDataRun(const DataRun* run) = 0;
  virtual long long GetOffset() = 0;
  virtual int GetDataRunListType() = 0;
  virtual void Release() = 0;
};

// A new, empty CDataRunList (null when memory is short); freed with Release().
IDataRunList* CreateDataRunList();
