#pragma once
/// The result a running plug-in command builds with KPxCommand::setResult/appendToResult, and
/// whether it has shown an error. The plug-in command adapter saves and restores both around
/// each invocation, so nested commands keep their own. Main thread only.

#include "host/lang/value.h"

namespace tarn::lang {

/// The current plug-in command result (None when nothing was set).
Value& pluginResult();
/// Appends: None becomes a one-element array; a scalar or array of the same element kind
/// grows; anything else becomes a string array.
void appendPluginResult(const Value& element);
/// Counts KPxCommand::displayError calls (so the adapter does not report a failure twice).
void noteDisplayedError();
int displayedErrorCount();

}  // namespace tarn::lang
