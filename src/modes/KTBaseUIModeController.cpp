#include "KTBaseUIModeController.h"

KTBaseUIModeController::~KTBaseUIModeController() = default;
