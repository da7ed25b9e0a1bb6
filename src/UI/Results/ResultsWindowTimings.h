#pragma once
// The results window's timers and delays, in milliseconds, and the clock its once-a-second rules read. The
// program runs with the values below; tests shorten them and drive the clock.

#include <QDateTime>
#include <functional>

namespace quellsy::ui {

struct ResultsWindowTimings {
  int progressInterval = 1500;    // progress bar and remaining time, once a file was found
  int foundCountInterval = 1000;  // the dots behind the found-file count
  int endCheckInterval = 1500;    // after a confirmed stop, close or back home: has the scan ended?
  int stopDelay = 500;            // from the confirmed stop to asking the scan to stop
  int deepScanDelay = 200;        // from the deep-scan button to the complete scan's start
  int stopButtonDelay = 1000;     // from the complete scan's start to its stop button being usable
  int hintShownFor = 8000;        // the deep-scan hint closes itself
  int backHomeDelay = 200;        // from the closed results window to the new main window
  int fadeIn = 250;               // the window's fade-in when first shown
  int reopenPanelDelay = 500;     // from "choose another folder" to the recovery's folder panel shown again
  qint64 dotsAfter = 30000;       // no new results for this long: the dots start
  qint64 dotsStopBelow = 3000;    // results younger than this: the dots stop
  qint64 remainingTimeEvery = 1000;  // the remaining time is rewritten at most this often
  std::function<qint64()> now = [] { return QDateTime::currentMSecsSinceEpoch(); };
};

}  // namespace quellsy::ui
