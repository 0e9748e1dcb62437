#pragma once

#include <fstream>
#include <string>

#include <QDir>
#include <QString>

// DBC texts the widget tests load. Frame 27 10 02 FA on EngineData: speed
// 2500 rpm, gear 2 ("Drive"), temperature 210 degC (above its range).
inline constexpr char kEngineDbc[] = R"(VERSION ""
BU_: Engine Gateway
BO_ 16 Early: 1 Engine
 SG_ Flag : 0|1@1+ (1,0) [0|0] "" Gateway
BO_ 291 EngineData: 8 Engine
 SG_ EngineSpeed : 7|16@0+ (0.25,0) [0|16000] "rpm" Gateway
 SG_ Gear : 16|4@1+ (1,0) [0|7] "" Gateway
 SG_ Temp : 24|8@1+ (1,-40) [-40|100] "degC" Gateway
BO_ 512 Mux: 8 Engine
 SG_ Mode M : 0|8@1+ (1,0) [0|0] "" Gateway
 SG_ Pressure m1 : 8|8@1+ (0.5,0) [0|100] "kPa" Gateway
 SG_ Level m2 : 8|8@1+ (1,0) [0|0] "%" Gateway
BO_ 2565866751 Extended: 4 Gateway
 SG_ Counter : 0|16@1- (1,0) [-100|100] "" Gateway
BA_DEF_ BO_ "GenMsgCycleTime" INT 0 10000;
BA_ "GenMsgCycleTime" BO_ 291 100;
VAL_ 291 Gear 0 "Park" 1 "Reverse" 2 "Drive" ;
)";

// Line 3 has no ':' after the signal's name.
inline constexpr char kBrokenDbc[] =
    "VERSION \"\"\nBO_ 768 Bad: 8 A\n SG_ X 0|8@1+ (1,0) [0|0] \"\" B\n";

inline QString WriteTextFile(const QDir& folder, const QString& name, const std::string& text)
{
    const QString path = folder.filePath(name);
    std::ofstream(path.toStdString(), std::ios::binary) << text;
    return path;
}
