// ui-gallery [FOLDER]: draws every control and window state on the scripted backend, and the real-image states on
// the bridge, into FOLDER (default build/gallery) as PNG files with an index page. Exit status 1 when a state
// draws nothing or cannot be reached, or an image name has no drawing. Run under xvfb-run by ./quellsy.sh gallery
// and by the test command.

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDPublicUtilities.h"
#include "Gallery.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Shell/ShellServices.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quellsy"));
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("build/gallery");

  // The hint's count and other settings the states write go to a folder of the run's own.
  const QTemporaryDir settings;
  KDPublicUtilities::SetPrivateDataPathsForTesting(KDPublicUtilities::InstalledPrivateDataPath(),
                                                   settings.filePath(QStringLiteral("PrivateData.plist")).toStdString());
  quellsy::ui::ScriptedBackend backend;
  const quellsy::ui::ShellServices services(backend, "en");
  // Results to show: a finished scan of the first volume.
  quellsy::ui::ScriptedResultShape shape;
  shape.topFolders = 5;
  shape.filesPerFolder = 9;
  backend.SetResultShape(shape);
  backend.DoScanWithData(backend.GetDeviceInfoToArray()[0]->childAtIndex(0).get(), "");
  backend.RunToEnd();

  quellsy::gallery::Gallery gallery;
  quellsy::gallery::AddKitStates(gallery, backend);
  quellsy::gallery::AddShellStates(gallery, backend);
  quellsy::gallery::AddUpdateAboutStates(gallery);
  quellsy::gallery::AddWindowKitStates(gallery, backend);
  quellsy::gallery::AddGridStates(gallery, backend);
  quellsy::gallery::AddResultsStates(gallery, backend);
  quellsy::gallery::AddScanResultStates(gallery);
  quellsy::gallery::AddRecoveryStates(gallery);
  QStringList problems;
  quellsy::gallery::AddRealImageStates(gallery, backend, problems);
  problems += gallery.WriteAll(folder);
  for (const QString& problem : problems) std::fprintf(stderr, "ui-gallery: %s\n", qPrintable(problem));
  std::printf("ui-gallery: %zu states written to %s%s\n", gallery.Size(), qPrintable(folder),
              problems.isEmpty() ? "" : ", with problems");
  return problems.isEmpty() ? 0 : 1;
}
