#pragma once

// COM number of the pty peer that run_connection_panel_tests.sh registered; 0 when none.
extern int g_panelCom;
