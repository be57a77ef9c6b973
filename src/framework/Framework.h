// Everything the dialog code uses from the framework.
#pragma once

#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "framework/File.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/ModulePath.h"
#include "framework/Thread.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
