// Message box texts shared by the printer command handlers.
#pragma once

inline constexpr char kPortWriteError[] = "Error : Port write !!!";
inline constexpr char kNvSaveError[] = "Error : NvSave !!!";
