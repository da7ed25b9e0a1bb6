#pragma once
// What the HFS+ quick searcher hands the recovery with its partition record: the volume it opened, which the
// found nodes share, so that compressed content can still be read after the search.

#include <memory>

class CHFSPlusVolume;

class CHFSPlusPrivateData {
 public:
  explicit CHFSPlusPrivateData(std::shared_ptr<CHFSPlusVolume> volume) : volume_(std::move(volume)) {}
  virtual ~CHFSPlusPrivateData() = default;
  CHFSPlusPrivateData(const CHFSPlusPrivateData&) = delete;
  CHFSPlusPrivateData& operator=(const CHFSPlusPrivateData&) = delete;

  // Lets go of this holder's share; the volume closes once no node holds it either.
  virtual void Release() { volume_.reset(); }
  CHFSPlusVolume* GetVolume() const { return volume_.get(); }

 private:
  std::shared_ptr<CHFSPlusVolume> volume_;
};
