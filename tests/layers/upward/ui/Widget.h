#pragma once
// A widget of the shared UI layer that reaches up into the application: the layer
// check must refuse it.
#include "shell/MainFrame.h"
#include "ui/Texts.h"
