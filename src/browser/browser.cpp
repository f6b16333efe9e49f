#include "browser/browser.h"

Browser::~Browser() = default;
