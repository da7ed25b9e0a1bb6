#pragma once
// Pictures fetched off the GUI thread by a small fixed pool of workers, delivered on the GUI thread. Requests
// belong to a generation (one listing); a new generation or a stop drops what is queued and stops what runs,
// and a result of an old generation is never delivered. Newest requests run first, so the tiles just scrolled
// into view come before those that already left. Each fetch has a time limit: past it its ticket expires and
// the request's fallback (the type's icon) is delivered at once; whatever the fetch still returns is dropped.
// Knows nothing of windows: the fetch says how a key becomes a picture.

#include <QImage>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "UI/Kit/Thumbnails/ThumbnailTicket.h"

namespace quellsy::ui {

class ThumbnailLoader : public QObject {
  Q_OBJECT

 public:
  using Key = std::uint64_t;
  // Runs on a worker; should give up once the ticket expires. A null image delivers the fallback.
  using Fetch = std::function<QImage(Key key, const ThumbnailTicket& ticket)>;

  struct Options {
    int threads = 2;
    std::chrono::milliseconds timeLimit{10000};  // per fetch, from its start
    // How long Stop waits for running fetches: not at all by default, since the GUI thread calls it and the
    // generation already keeps a late picture from being delivered.
    std::chrono::milliseconds stopWait{0};
    std::size_t maxQueued = 4096;                // the oldest requests beyond this are dropped
  };

  // One worker: fetches run one at a time (the grid's and the cover flow's loaders).
  static Options OneAtATime() {
    Options options;
    options.threads = 1;
    return options;
  }

  ThumbnailLoader(Fetch fetch, Options options, QObject* parent = nullptr);
  // Stops everything and joins the workers (a fetch that honours its ticket ends at once).
  ~ThumbnailLoader() override;

  std::uint64_t generation() const;
  // A new listing: drops queued requests and stops running ones; their results are never delivered.
  std::uint64_t NewGeneration();
  // Asks for key's picture in the current generation.
  void Request(Key key, QImage fallback = QImage());
  struct Wanted {
    Key key = 0;
    QImage fallback;
  };
  // Asks for several at once, queued together: the last runs first.
  void RequestAll(std::vector<Wanted> wanted);
  // Drops a queued request for key (its tile now shows something else).
  void Cancel(Key key);
  // NewGeneration, then waits at most stopWait for the running fetches to end; true when none runs.
  bool Stop();
  std::size_t QueuedCount() const;
  std::size_t RunningCount() const;

 signals:
  // On the GUI thread, for the current generation only.
  void Loaded(quint64 generation, quint64 key, const QImage& image);

 private:
  struct State;
  void Deliver(std::uint64_t generation, Key key, const QImage& image);

  std::shared_ptr<State> state_;
};

}  // namespace quellsy::ui
