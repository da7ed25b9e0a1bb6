#pragma once
// The update check's network side, on a thread of its own over Qt Network: first a page any working network
// answers (whether the network can be used), then the update address's property list. Each request gets the
// time-out (5 s unless a test shortens it); a request not done by then counts as unanswered. The GUI thread only
// starts it and hears the result.

#include <QObject>
#include <QThread>
#include <QUrl>
#include <optional>

#include "UI/Shell/UpdateVersionList.h"

namespace quellsy::ui {

struct UpdateCheckAddresses {
  QUrl list;   // the update property list ("IniURL")
  QUrl probe;  // a page that answers whenever the network works ("NetworkCheckURL")
};

struct UpdateCheckResult {
  bool network = false;                   // the probe was answered
  std::optional<UpdateVersionList> list;  // nothing: unreadable (no answer in time, an error, no property list)
};

class UpdateListFetch : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTimeoutMs = 5000;
  // What an update list may weigh; a larger answer is unreadable.
  static constexpr qint64 kMaxListBytes = 1 << 20;
  // The probe when the link table names none.
  static constexpr const char* kDefaultProbe = "http://example.com/";

  // The addresses from the link table (KDLinkUrl): "IniURL", and "NetworkCheckURL" or the default probe.
  static UpdateCheckAddresses AddressesFromLinks();

  // Starts at once; finished() follows on this object's thread, once.
  UpdateListFetch(const UpdateCheckAddresses& addresses, int timeoutMs = kTimeoutMs, QObject* parent = nullptr);
  // Stops the requests under way and joins the thread (it ends at once: nothing in it blocks).
  ~UpdateListFetch() override;

 signals:
  void finished(const quellsy::ui::UpdateCheckResult& result);

 private:
  QThread thread_;
};

}  // namespace quellsy::ui

Q_DECLARE_METATYPE(quellsy::ui::UpdateCheckResult)
