// The application's alert: a modal message with a title and an "OK" button.
#pragma once

#include <string>

namespace pictova {

// Shows message (lines separated by single carriage returns) under title and returns when
// the user has closed it. For now this is the framework's plain message box with the same
// title and text; the picture-and-balloon dialog replaces it without changing callers.
void ShowAlert(const std::string& title, const std::string& message);

}  // namespace pictova
