#pragma once
// What the harness will scan must be an image file or a block device: a FIFO, socket or terminal would make the
// first read wait forever, and a folder cannot be read at all. Checked before anything opens it.

#include <string>

#include "Utility/ResultCode.h"

constexpr quellsy::ResultCode kImageMissing =
    quellsy::MakeFailure(quellsy::module::kEngineCli, 0x10, quellsy::error::kImageMissing);
constexpr quellsy::ResultCode kImageIsFolder =
    quellsy::MakeFailure(quellsy::module::kEngineCli, 0x11, quellsy::error::kImageIsFolder);
constexpr quellsy::ResultCode kImageNotReadable =
    quellsy::MakeFailure(quellsy::module::kEngineCli, 0x12, quellsy::error::kImageNotReadable);
constexpr quellsy::ResultCode kImageWrongKind =
    quellsy::MakeFailure(quellsy::module::kEngineCli, 0x13, quellsy::error::kImageWrongKind);
constexpr quellsy::ResultCode kImageCannotOpen =
    quellsy::MakeFailure(quellsy::module::kEngineCli, 0x14, quellsy::error::kImageCannotOpen);

// kResultOk for a readable regular file or block device, else the code saying why not. kind gets "a FIFO",
// "a socket" or "a character device" for the wrong kinds.
quellsy::ResultCode CheckImage(const std::string& path, std::string& kind);
