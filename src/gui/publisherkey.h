#pragma once

#include <QByteArray>

namespace corvane::gui {

// The maker's Ed25519 public key this executable was built with (the build
// setting CORVANE_PUBLISHER_KEY): 32 bytes, or empty for a build without one.
// Each executable compiles its own copy of publisherkey.cpp.in.
QByteArray builtInPublisherKey();

} // namespace corvane::gui
