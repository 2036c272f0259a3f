#pragma once
#include "ui/failure_text.h"

// Shows a failure message to the user and returns when the user has closed it.
void PresentFailure(const FailureMessage& message);
