#include "model/UKennfeldkatalog.h"

#include "base/Uglobal.h"

#include <array>
#include <iterator>

namespace {

// A title or axis name: a language text (with a literal appended) or a literal.
struct Text {
    int nummer = 0;
    const char* text = "";
    const char* anhang = "";

    QString hole() const {
        if (nummer == 0)
            return QString::fromUtf8(text);
        return hole_Text(nummer) + QString::fromUtf8(anhang);
    }
};
constexpr Text T(int nummer, const char* anhang = "") {
    return {nummer, "", anhang};
}
constexpr Text L(const char* text) {
    return {0, text, ""};
}

struct Achse {
    Text name;
    const char* einheit = "";
    int min = 0, max = 0;
};
struct Werte {
    const char* einheit = "";
    int min = 0, max = 0, roh_min = 0, roh_max = 0;
};

enum Art : int { Feld = 0, Kurve = 1, zyklisch = 2, log_Y = 4 };

// A row of the catalogue, or (negative numbers) a place of the list that is no map.
struct Z {
    int nr = 0;
    const char* id = "";
    Text titel;
    int art = Feld;
    Achse x, y;
    Werte z;
    int schrittzeile = 0;
    char ziffer = '1';
    std::array<int, 8> p{};
    const char* hilfe = "";
};
constexpr Z Platz(int nr) {
    Z z;
    z.nr = nr;
    return z;
}
constexpr Z Trenner = Platz(-1);
constexpr Z Zuendeditor_1 = Platz(-5);
constexpr Z Zuendeditor_2 = Platz(-55);

// In the order of the all-maps list.
// clang-format off
constexpr Z Zeilen[] = {
    Z{0, "G", T(221), Feld | zyklisch,
      {T(240), "d", 0, 90}, {T(241), "U/min", 0, 8000},
      {"µs", 0, 10000, 0, 12500}, 0, '4', {300, 301, 302, 303, 401, 400, 403, 402}, "diagram dn"},
    Z{42, "42", T(1208), Feld,
      {T(240), "d", 0, 90}, {T(241), "U/min", 0, 8000},
      {"%", -100, 100, -1000, 1000}, 1, '4', {2083, 2084, 2085, 2086, 2088, 2087, 2090, 2089}, "diagram diff d-n 2 corr"},
    Z{9, "F", T(227), Kurve | zyklisch,
      {T(244), "0.1%", 0, 1000}, {L(""), "", 0, 0},
      {"µs", 0, 20000, 0, 20000}, 0, '4', {332, 333, 0, 0, 425, 424, 0, 0}, "diagram airmass"},
    Z{37, "F2", T(227, " 2"), Kurve | zyklisch,
      {T(244), "0.1%", 500, 1000}, {L(""), "", 0, 0},
      {"µs", 0, 20000, 0, 20000}, 0, '4', {2669, 2670, 0, 0, 2668, 2667, 0, 0}, "diagram airmass"},
    Z{23, "0", T(239), Kurve | zyklisch,
      {T(241), "U/min", 0, 8000}, {L(""), "", 0, 0},
      {"µs", 0, 20000, 0, 25000}, 4, '5', {362, 363, 0, 0, 443, 442, 0, 0}, "diagram suction"},
    Z{26, "3", T(249), Kurve | zyklisch,
      {T(241), "U/min", 0, 8000}, {L(""), "", 0, 0},
      {"hPa", 0, 1200, 0, 1200}, 1, '4', {448, 449, 0, 0, 447, 446, 0, 0}, "diagram suction idle pa"},
    Z{10, "K", T(228), Feld | zyklisch,
      {T(240), "d", 0, 90}, {T(241), "U/min", 0, 8000},
      {"0.1%", -400, 400, -400, 400}, 2, '4', {334, 335, 336, 337, 405, 404, 407, 406}, "diagram airmass corr"},
    Z{81, "81", T(881), Kurve,
      {T(245), "°C", -55, 300}, {L(""), "", 0, 0},
      {"0.1%", -500, 500, -500, 500}, 2, '3', {5197, 5198, 0, 0, 5200, 5199, 0, 0}, "diagram ta_corr"},
    Z{82, "82", T(883), Kurve,
      {T(246), "hPa", 200, 1100}, {L(""), "", 0, 0},
      {"0.1%", -1000, 1000, -1000, 1000}, 2, '3', {5201, 5202, 0, 0, 5204, 5203, 0, 0}, "diagram pa_corr"},
    Z{44, "2168", T(1247), Kurve,
      {T(242), "°C", -50, 120}, {L(""), "", 0, 0},
      {"%", 0, 100, 0, 1000}, 1, '4', {2169, 2170, 0, 0, 2168, 2167, 0, 0}, "diagram injection diff add"},
    Z{34, "34", T(758), Kurve,
      {T(182), "mV", 6000, 32000}, {L("0"), "", 0, 0},
      {"µs", -1000, 3000, -1000, 3000}, 2, '5', {1861, 1862, 0, 0, 1863, 1864, 0, 0}, "diagram switch_time"},
    Z{86, "86", T(882), Feld,
      {T(240), "d", 0, 90}, {T(241), "U/min", 0, 8000},
      {"deg", 0, 720, 0, 720}, 2, '3', {2030, 2031, 2032, 2033, 2035, 2034, 2037, 2036}, "diagram injection_start"},
    Trenner,
    Z{4, "S", T(223), Kurve,
      {T(242), "°C", -25, 120}, {L(""), "", 0, 0},
      {"ms", 0, 1000, 0, 1000}, 1, '4', {316, 317, 0, 0, 417, 416, 0, 0}, "diagram start"},
    Z{27, "4", T(265), Kurve,
      {T(240), "d", 0, 90}, {L(""), "", 0, 0},
      {"µs", 0, 10000, 0, 12500}, 2, '4', {1181, 1182, 0, 0, 1183, 1184, 0, 0}, "diagram start d"},
    Z{22, "X", T(222), Feld | log_Y,
      {T(242), "tm", -25, 120}, {T(243), "t", 0, 400},
      {"%", 0, 200, 0, 20000}, 1, '4', {324, 325, 360, 361, 419, 418, 441, 440}, "diagram warmup"},
    Trenner,
    Z{7, "B", T(224), Kurve,
      {T(241), "U/min", 0, 8000}, {L(""), "", 0, 0},
      {"ms", 0, 5000, 0, 5000}, 3, '4', {318, 319, 0, 0, 421, 420, 0, 0}, "diagram lambda time"},
    Z{15, "Y", T(233), Kurve,
      {T(242), "°C", -25, 120}, {L(""), "", 0, 0},
      {"U/min", 0, 5000, 0, 5000}, 1, '4', {354, 355, 0, 0, 431, 430, 0, 0}, "diagram cut off"},
    Trenner,
    Z{24, "1", T(236), Kurve,
      {T(240), "d", 0, 90}, {L(""), "", 0, 0},
      {"µs/Grd", 0, 2000, 0, 2500}, 2, '4', {364, 365, 0, 0, 445, 444, 0, 0}, "diagram accel"},
    Z{18, "Q", T(237), Kurve,
      {T(242), "°C", -25, 120}, {L(""), "", 0, 0},
      {"%", 0, 300, 0, 30000}, 1, '4', {352, 353, 0, 0, 437, 436, 0, 0}, "diagram accel engine temp"},
    Z{35, "35", T(236), Kurve,
      {T(240), "d", 0, 90}, {L(""), "", 0, 0},
      {"µs/Grd", 0, 2000, 0, 2500}, 2, '4', {1910, 1911, 0, 0, 1913, 1912, 0, 0}, "diagram accel"},
    Trenner,
    Z{8, "I", T(225), Kurve,
      {T(226), "%", -100, 100}, {L(""), "", 0, 0},
      {"%", -100, 200, -10000, 20000}, 1, '4', {330, 331, 0, 0, 423, 422, 0, 0}, "diagram idle"},
    Z{211, "211", T(1283), Kurve,
      {T(242), "°C", -25, 120}, {L(""), "", 0, 0},
      {"%", -100, 100, -10000, 10000}, 1, '4', {2547, 2548, 0, 0, 2546, 2545, 0, 0}, "diagram idle start"},
    Z{16, "N", T(234), Kurve,
      {T(242), "°C", -25, 120}, {L(""), "", 0, 0},
      {"%", -100, 100, -10000, 10000}, 1, '4', {356, 357, 0, 0, 433, 432, 0, 0}, "diagram idle on"},
    Z{17, "O", T(235), Kurve,
      {T(242), "°C", -25, 120}, {L(""), "", 0, 0},
      {"U/min", 0, 3000, 0, 3000}, 4, '4', {350, 351, 0, 0, 435, 434, 0, 0}, "diagram idle Upm"},
    Z{210, "210", T(1254), Feld,
      {T(1255), "%(Pedal)", 0, 100}, {T(241), "U/min", 0, 8000},
      {"0.1%(DK)", 0, 1000, 0, 1000}, 4, '5', {2481, 2482, 2483, 2484, 2478, 2477, 2480, 2479}, ""},
    Trenner,
    Zuendeditor_1,
    Zuendeditor_2,
    Z{19, "R", T(238), Kurve,
      {T(242), "°C", -25, 120}, {L(""), "", 0, 0},
      {"Grad", -30, 30, -6000, 6000}, 1, '1', {358, 359, 0, 0, 439, 438, 0, 0}, "diagram ign engine temp"},
    Z{12, "D", T(230), Kurve,
      {T(246), "hPa", 0, 1050}, {L(""), "", 0, 0},
      {"Grad", -50, 50, -10000, 10000}, 1, '1', {340, 341, 0, 0, 429, 428, 0, 0}, "diagram ign airload"},
    Z{11, "E", T(229), Kurve,
      {T(245), "°C", -25, 40}, {L(""), "", 0, 0},
      {"Grad", -50, 50, -10000, 10000}, 1, '1', {338, 339, 0, 0, 427, 426, 0, 0}, "diagram ign airtemp"},
    Z{32, "32", T(640), Kurve | zyklisch,
      {T(241), "U/min", 0, 8000}, {L(""), "", 0, 0},
      {"Grad", -20, 20, -200, 200}, 1, '1', {1854, 1855, 0, 0, 1856, 1857, 0, 0}, "diagram ignition delay"},
    Trenner,
    Z{13, "C", T(231), Feld,
      {T(240), "d", 0, 90}, {T(241), "U/min", 0, 8000},
      {"hPa", 0, 3000, 0, 3000}, 4, '5', {342, 343, 344, 345, 409, 408, 411, 410}, "diagram airload"},
    Z{14, "H", T(232), Feld,
      {T(240), "d", 0, 90}, {T(241), "U/min", 0, 8000},
      {"%", 0, 100, 0, 25600}, 1, '4', {346, 347, 348, 349, 413, 412, 415, 414}, "diagram airload control"},
    Trenner,
    Z{40, "40", T(760), Kurve,
      {T(750), "mV", 0, 5000}, {L(""), "", 0, 0},
      {"0.1°", 0, 900, 0, 900}, 2, '4', {2074, 2075, 0, 0, 2073, 2072, 0, 0}, "diagram u-throttle"},
    Z{41, "41", T(1206), Kurve,
      {T(1207), "0.1%", 0, 1000}, {L(""), "", 0, 0},
      {"0.1%", 0, 1000, 0, 1000}, 2, '4', {2079, 2080, 0, 0, 2082, 2081, 0, 0}, "diagram torque-throttle"},
    Z{29, "5", T(268), Kurve,
      {T(750), "mV", 0, 5000}, {L(""), "", 0, 0},
      {"°C", -50, 300, -50, 300}, 2, '4', {1235, 1236, 0, 0, 1234, 1233, 0, 0}, "diagram u-tm"},
    Z{30, "6", T(269), Kurve,
      {T(750), "mV", 0, 5000}, {L(""), "", 0, 0},
      {"°C", -50, 200, -50, 200}, 2, '4', {1239, 1240, 0, 0, 1238, 1237, 0, 0}, "diagram u-ta"},
    Z{75, "75", T(759), Kurve,
      {T(750), "mV", 0, 5000}, {L(""), "", 0, 0},
      {"°C", -55, 1200, -55, 1200}, 2, '4', {5042, 5043, 0, 0, 5041, 5040, 0, 0}, "diagram u_t_egt"},
    Z{65, "6", T(1023), Kurve,
      {T(750), "mV", 0, 5000}, {L(""), "", 0, 0},
      {"°C", -50, 100, -50, 100}, 2, '4', {8028, 8029, 0, 0, 8031, 8030, 0, 0}, "diagram u-ta"},
    Z{201, "201", T(1238), Kurve,
      {T(750), "mV", 0, 5000}, {L(""), "", 0, 0},
      {".001Lda", 0, 2500, 0, 2500}, 4, '7', {2186, 2187, 0, 0, 2185, 2184, 0, 0}, "diagram u-lambda"},
    Z{46, "46", T(1243), Kurve,
      {T(750), "mV", 0, 5000}, {L(""), "", 0, 0},
      {"°C", -50, 150, -500, 1500}, 2, '4', {2300, 2301, 0, 0, 2299, 2298, 0, 0}, "diagram u_oiltemp"},
    Trenner,
    Z{50, "50", L("Kupplung"), Feld,
      {L("f(n,M)"), "%", 0, 100}, {L("n-diff"), "%", 0, 100},
      {"Grad", 0, 90, 0, 90}, 1, '4', {2304, 2305, 2306, 2307, 2300, 2301, 2302, 2303}, "diagram clutch"},
    Z{51, "51", L("Kupplungsübertragung"), Kurve,
      {L("Weg-Pos"), "Inkr.", 0, 100}, {L("0"), "", 0, 100},
      {"%", 0, 100, 0, 100}, 1, '4', {2308, 2309, 0, 0, 2310, 2311, 0, 0}, "diagram clutch pos"},
    Z{60, "60", L("Benzin-Kerosin"), Feld,
      {L("Benzin"), "µs", 0, 5000}, {L("U/min"), "U/min", 0, 8000},
      {"µs", 0, 3000, 0, 3000}, 0, '4', {1022, 1023, 1024, 1025, 1027, 1026, 1029, 1028}, "diagram fuel-kerosine"},
    Z{31, "31", L("Drehmoment-E-Gas"), Kurve,
      {L("M/M-max"), "d/d_max", 0, 1000}, {L("0"), "", 0, 0},
      {"%", 0, 1000, 0, 1000}, 2, '5', {1836, 1837, 0, 0, 1835, 1834, 0, 0}, "diagram e-Gas"},
    Z{52, "52", L("E-Gas n-diff"), Kurve,
      {L("n-diff"), "n-diff", -1000, 1000}, {L("0"), "", 0, 0},
      {"U/min", -2000, 2000, -2000, 2000}, 2, '5', {1893, 1894, 0, 0, 1892, 1891, 0, 0}, "diagram e-Gas n-diff"},
    Z{70, "70", T(884, " 1"), Feld,
      {L("Drosselklappe"), "d", 0, 100}, {L("Drehzahl"), "U/min", 0, 8000},
      {"", 0, 200, 0, 200}, 2, '5', {5000, 5001, 5002, 5003, 5005, 5004, 5007, 5006}, "diagram oilpump 1"},
    Z{73, "73", T(885, " 1"), Kurve,
      {L("Zeit"), "Std.", 0, 1000}, {L("0"), "", 0, 0},
      {"%", 0, 100, 0, 100}, 2, '5', {5024, 5025, 0, 0, 5027, 5026, 0, 0}, "diagram oilpump 1 time"},
    Z{71, "71", T(884, " 2"), Feld,
      {L("Drosselklappe"), "d", 0, 100}, {L("Drehzahl"), "U/min", 0, 8000},
      {"", 0, 200, 0, 200}, 2, '5', {5008, 5009, 5010, 5011, 5013, 5012, 5015, 5014}, "diagram oilpump 2"},
    Z{74, "74", T(885, " 2"), Kurve,
      {L("Zeit"), "Std.", 0, 1000}, {L("0"), "", 0, 0},
      {"%", 0, 100, 0, 100}, 2, '5', {5028, 5029, 0, 0, 5031, 5030, 0, 0}, "diagram oilpump 2 time"},
    Z{72, "72", L("Abgasklappe"), Feld,
      {L("Drehzahl"), "U/min", 0, 8000}, {L("Einspritzmenge"), "FPC", 0, 4000},
      {"%", 0, 100, 0, 100}, 2, '5', {5016, 5017, 5018, 5019, 5021, 5020, 5023, 5022}, "diagram exhaust flap"},
    Z{78, "78", T(887), Kurve,
      {L("Drehzahl"), "U/min", 0, 8000}, {L(""), "", 0, 0},
      {"°C", -50, 300, -50, 300}, 2, '4', {5171, 5172, 0, 0, 5173, 5174, 0, 0}, "diagram overtemp_n_1"},
    Z{76, "76", T(886), Kurve,
      {L("CHT Übertemperatur"), "°C", 0, 100}, {L(""), "", 0, 0},
      {"%", 0, 100, 0, 100}, 2, '4', {5034, 5035, 0, 0, 5033, 5032, 0, 0}, "diagram overtemp_1"},
    Z{79, "79", T(888, " 1"), Kurve,
      {L("Drehzahl"), "U/min", 0, 8000}, {L(""), "", 0, 0},
      {"°C", 0, 700, 0, 700}, 2, '4', {5175, 5176, 0, 0, 5177, 5178, 0, 0}, "diagram overtemp_n_2"},
    Z{77, "77", T(888, " 2"), Kurve,
      {L("EGT Übertemp."), "°C", 0, 100}, {L(""), "", 0, 0},
      {"%", 0, 100, 0, 100}, 2, '4', {5038, 5039, 0, 0, 5037, 5036, 0, 0}, "diagram overtemp_2"},
    Z{80, "80", L("Ersatz Drosselklappe"), Feld,
      {T(246), "Pa", 200, 1100}, {T(241), "U/min", 0, 8000},
      {"0.1%", 0, 1000, 0, 1000}, 2, '3', {5189, 5190, 5191, 5192, 5194, 5193, 5196, 5195}, "diagram emergency d"},
    Z{61, "61", L("Raildruck"), Feld,
      {T(240), "d", 0, 90}, {T(241), "U/min", 0, 8000},
      {"kPa", 0, 20000, 0, 20000}, 0, '8', {6022, 6023, 6024, 6025, 6027, 6026, 6029, 6028}, "diagram airload"},
    Z{36, "36", L("Kraftstoffdruck-Kennlinie"), Feld,
      {L("Kraftstoffdruck"), "kPa", 0, 20000}, {L("Drehzahl"), "U/min", 0, 8000},
      {"%", 0, 100, 0, 100}, 1, '3', {6014, 6015, 6016, 6017, 6019, 6018, 6021, 6020}, "diagram fuel pressure"},
    Z{64, "64", T(1028), Kurve,
      {T(241), "U/min", 0, 8000}, {L(""), "", 0, 0},
      {"µs", 0, 2000, 0, 2000}, 4, '4', {1140, 1141, 0, 0, 1142, 1143, 0, 0}, "diagram suction"},
    Z{66, "66", T(1026), Kurve,
      {T(242), "°C", -55, 120}, {L(""), "", 0, 0},
      {"kPa", 0, 200, 0, 2000}, 4, '4', {8053, 8054, 0, 0, 8058, 8057, 0, 0}, "diagram fuel pressurer start"},
    Z{67, "67", T(1027), Feld,
      {T(242), "U/min", 0, 1200}, {L(""), "°C", 120, -55},
      {"µs", 0, 2500, 0, 2500}, 4, '4', {8079, 8080, 8081, 8082, 8084, 8083, 8086, 8085}, "diagram injection time start"},
    Z{68, "68", T(1029), Feld,
      {T(1025), "MPa", 0, 200}, {T(241), "U/min", 0, 8000},
      {"Nm/ms", 0, 500, 0, 500}, 4, '4', {8062, 8063, 8064, 8065, 8067, 8066, 8069, 8068}, "diagram torque"},
    Z{63, "63", T(1071), Kurve,
      {T(1041), "0.1%", 0, 1000}, {L(""), "", 0, 0},
      {"kW", 0, 1000, 0, 10000}, 3, '4', {1116, 1117, 0, 0, 1120, 1121, 0, 0}, "diagram airmass"},
    Z{43, "43", T(1229), Feld,
      {T(240), "d", 0, 90}, {T(241), "U/min", 0, 8000},
      {"", 0, 1000, 0, 1000}, 4, '5', {2136, 2137, 2138, 2139, 2141, 2140, 2143, 2142}, ""},
    Trenner,
    Z{83, "83", L("Luft-Beginn-Kennfeld"), Feld,
      {L("Einspritzzeit"), "µs", 0, 10000}, {L("Drehzahl"), "U/min", 0, 8000},
      {"0.1 Grad", 0, 3600, 0, 3600}, 0, '3', {5225, 5226, 5227, 5228, 5230, 5229, 5232, 5231}, "diagram air-begin"},
    Z{84, "83", L("Luft-Ende-Kennfeld"), Feld,
      {L("Einspritzzeit"), "µs", 0, 10000}, {L("Drehzahl"), "U/min", 0, 8000},
      {"0.1 Grad", 0, 3600, 0, 3600}, 0, '3', {5233, 5234, 5235, 5236, 5238, 5237, 5240, 5239}, "diagram air-end"},
    Z{85, "83", L("Benzin-Verzögerung-Kennfeld"), Feld,
      {L("Einspritzzeit"), "µs", 0, 10000}, {L("Drehzahl"), "U/min", 0, 8000},
      {"0.1 Grad", 0, 3600, 0, 3600}, 0, '3', {5241, 5242, 5243, 5244, 5246, 5245, 5248, 5247}, "diagram fuel-delay"},
    Trenner,
    Z{38, "38", L("Nockenwelle Einlass"), Feld,
      {L("Drosselklappe"), "d", 0, 90}, {L("Drehzahl"), "U/min", 0, 8000},
      {"Grad", 0, 90, 0, 90}, 2, '5', {1962, 1963, 1982, 1983, 1961, 1960, 1981, 1980}, "diagram camshaft inlet"},
    Z{39, "39", L("Nockenwelle Auslass"), Feld,
      {L("Drosselklappe"), "d", 0, 90}, {L("Drehzahl"), "U/min", 0, 8000},
      {"Grad", -20, 50, -20, 50}, 2, '5', {1966, 1967, 1986, 1987, 1965, 1964, 1985, 1984}, "diagram camshaft outlet"},
    Trenner,
    Z{101, "101", L("Drehmoment"), Feld,
      {L("d"), "Grad", 0, 90}, {L("U/min"), "U/min", 0, 8000},
      {"M/Nm", 0, 1000, 0, 1000}, 2, '5', {10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008}, "diagram torque"},
    Z{102, "102", T(268), Kurve,
      {T(750), "mV", 0, 5000}, {L(""), "", 0, 0},
      {"°C", -50, 300, -500, 3000}, 2, '4', {10009, 10010, 0, 0, 10011, 10012, 0, 0}, "diagram u-gear-temp."},
    Z{110, "103", L("Drehzahlgrenze 1->2"), Kurve,
      {L("Drosseklappe"), "Grad", 0, 90}, {L(""), "", 0, 0},
      {"U/min", 0, 8000, 0, 8000}, 4, '7', {10013, 10014, 0, 0, 10015, 10016, 0, 0}, "diagram u-1->2 limit"},
    Z{111, "103", L("Drehzahlgrenze 2->1"), Kurve,
      {L("Drosseklappe"), "Grad", 0, 90}, {L(""), "", 0, 0},
      {"U/min", 0, 8000, 0, 8000}, 4, '7', {10013, 10014, 0, 0, 10015, 10016, 0, 0}, "diagram u-2->1 limit"},
    Z{112, "103", L("Drehzahlgrenze 2->3"), Kurve,
      {L("Drosseklappe"), "Grad", 0, 90}, {L(""), "", 0, 0},
      {"U/min", 0, 8000, 0, 8000}, 4, '7', {10013, 10014, 0, 0, 10015, 10016, 0, 0}, "diagram u-2->3 limit"},
    Z{113, "103", L("Drehzahlgrenze 3->2"), Kurve,
      {L("Drosseklappe"), "Grad", 0, 90}, {L(""), "", 0, 0},
      {"U/min", 0, 8000, 0, 8000}, 4, '7', {10013, 10014, 0, 0, 10015, 10016, 0, 0}, "diagram u-3->2 limit"},
    Z{114, "103", L("Drehzahlgrenze 3->4"), Kurve,
      {L("Drosseklappe"), "Grad", 0, 90}, {L(""), "", 0, 0},
      {"U/min", 0, 8000, 0, 8000}, 4, '7', {10013, 10014, 0, 0, 10015, 10016, 0, 0}, "diagram u-3->4 limit"},
    Z{115, "103", L("Drehzahlgrenze 4->3"), Kurve,
      {L("Drosseklappe"), "Grad", 0, 90}, {L(""), "", 0, 0},
      {"U/min", 0, 8000, 0, 8000}, 4, '7', {10013, 10014, 0, 0, 10015, 10016, 0, 0}, "diagram u-4->3 limit"},
    Z{116, "116", L("Raildruck"), Kurve,
      {L("Drehmoment"), "0.1%", 0, 1000}, {L(""), "", 0, 0},
      {"0.1%", 0, 1000, 0, 1000}, 4, '7', {10165, 10166, 0, 0, 10167, 10168, 0, 0}, "diagram gear railpressure"},
    Z{117, "117", L("SSC"), Kurve,
      {L("Drehmoment"), "0.1%", 0, 1000}, {L(""), "", 0, 0},
      {"0.1%", 0, 100, 0, 100}, 4, '7', {10181, 10182, 0, 0, 10183, 10184, 0, 0}, "diagram gear SSC speed"},
    Z{118, "118", L("SSD"), Kurve,
      {L("Drehmoment"), "0.1%", 0, 1000}, {L(""), "", 0, 0},
      {"0.1%", 0, 100, 0, 100}, 4, '7', {10185, 10186, 0, 0, 10187, 10188, 0, 0}, "diagram gear SSD speed"},
    Z{119, "119", L("SSE"), Kurve,
      {L("Drehmoment"), "0.1%", 0, 1000}, {L(""), "", 0, 0},
      {"0.1%", 0, 100, 0, 100}, 4, '7', {10189, 10190, 0, 0, 10191, 10192, 0, 0}, "diagram gear SSE speed"},
    Z{120, "120", L("Zündungsrücknahme"), Kurve,
      {L("Drehmoment"), "0.1%", 0, 1000}, {L(""), "", 0, 0},
      {"Grad", 0, 50, 0, 50}, 4, '7', {10210, 10211, 0, 0, 10212, 10213, 0, 0}, "diagram gear ignition reduction"},
    Trenner,
    Z{87, "87", T(1201), Kurve,
      {T(1202), "°C", -50, 100}, {L(""), "", 0, 0},
      {"deg", -50, 50, -500, 500}, 2, '3', {5287, 5288, 0, 0, 5290, 5289, 0, 0}, "diagram CWI_diff_ignition"},
    Z{88, "88", T(1203), Kurve,
      {T(1202), "°C", -50, 100}, {L(""), "", 0, 0},
      {"%", -100, 100, -100, 100}, 2, '3', {5291, 5292, 0, 0, 5294, 5293, 0, 0}, "diagram CWI_diff_injection"},
    Z{89, "89", T(1204), Kurve,
      {T(245), "°C", -55, 100}, {L(""), "", 0, 0},
      {"°C", -50, 100, -50, 100}, 2, '3', {5295, 5296, 0, 0, 5298, 5297, 0, 0}, "diagram CWI_low_temp_limit"},
    Z{90, "90", T(1205), Kurve,
      {T(245), "°C", -55, 100}, {L(""), "", 0, 0},
      {"°C", -50, 100, -50, 100}, 2, '3', {5299, 5300, 0, 0, 5302, 5301, 0, 0}, "diagram CWI_high_temp_limit"},
    Z{200, "200", T(1237), Feld,
      {T(240), "Grad", 0, 90}, {T(241), "U/min", 0, 8000},
      {"0.001", 0, 10000, 0, 10000}, 4, '5', {2180, 2181, 2182, 2183, 2177, 2176, 2179, 2178}, "diagram set lambda"},
    Z{202, "202", T(1239), Kurve,
      {T(241), "U/min", 0, 6000}, {L(""), "", 0, 0},
      {"Ampl.", 0, 250, 0, 250}, 1, '4', {2190, 2191, 0, 0, 2189, 2188, 0, 0}, "diagram lambda-ampl"},
    Z{47, "47", T(1245), Kurve,
      {T(1246), "°C", 0, 100}, {L(""), "", 0, 0},
      {"%", 0, 100, 0, 1000}, 2, '4', {2304, 2305, 0, 0, 2303, 2302, 0, 0}, "diagram fuel egt"},
    Z{45, "45", T(1248), Feld,
      {T(240), "Grad", 0, 90}, {T(241), "U/min", 0, 8000},
      {"0.001", -1000, 1000, -1000, 1000}, 4, '5', {2290, 2291, 2292, 2293, 2287, 2286, 2289, 2288}, "diagram lamda_diff_add_field"},

};
// clang-format on

// The order in which the maps are made; their requests join the link's ring so.
constexpr int Erzeugungsfolge[] = {
    200, 45,  201, 202, 0,   22,  4,  7,  8,  9,  37, 10,  11,  12,  13,  14,  15,  16,
    211, 17,  24,  35,  18,  19,  23, 26, 27, 29, 30, 65,  31,  52,  32,  34,  50,  51,
    60,  61,  63,  66,  67,  64,  68, 70, 71, 72, 73, 74,  75,  78,  76,  79,  77,  80,
    81,  82,  87,  88,  89,  90,  86, 36, 83, 84, 85, 101, 102, 110, 111, 112, 113, 114,
    115, 116, 117, 118, 119, 120, 38, 39, 40, 41, 42, 43,  46,  47,  44,  210,
};
static_assert(std::size(Erzeugungsfolge) == 88);

Kennfeld_Beschreibung beschreibe(const Z& z) {
    Kennfeld_Beschreibung b;
    b.Kennfeld_Nr = z.nr;
    b.neues_Protokoll = false;
    b.ist_Kurve = (z.art & Kurve) != 0;
    b.log_Y = (z.art & log_Y) != 0;
    b.zyklisch = (z.art & zyklisch) != 0;
    b.X_min = z.x.min;
    b.X_max = z.x.max;
    b.Y_min = z.y.min;
    b.Y_max = z.y.max;
    b.Roh_min = z.z.roh_min;
    b.Roh_max = z.z.roh_max;
    b.Z_min = z.z.min;
    b.Z_max = z.z.max;
    b.Schrittzeile = z.schrittzeile;
    b.Schrittziffer = z.ziffer;
    for (size_t i = 0; i < 8; ++i)
        b.Parameter_Nr[i] = z.p[i];
    b.Kennung = QString::fromUtf8(z.id);
    b.Titel = z.titel.hole();
    b.Achsname_X = z.x.name.hole();
    b.Achsname_Y = z.y.name.hole();
    b.Einheit_X = QString::fromUtf8(z.x.einheit);
    b.Einheit_Y = QString::fromUtf8(z.y.einheit);
    b.Einheit_Z = QString::fromUtf8(z.z.einheit);
    b.Hilfethema = QString::fromUtf8(z.hilfe);
    return b;
}

} // namespace

std::vector<Kennfeld_Beschreibung> Katalog_Beschreibungen() {
    std::vector<Kennfeld_Beschreibung> liste;
    liste.reserve(std::size(Erzeugungsfolge));
    for (const int nr : Erzeugungsfolge)
        for (const Z& z : Zeilen)
            if (z.nr == nr) {
                liste.push_back(beschreibe(z));
                break;
            }
    return liste;
}

Kennfeld_Beschreibung Platzhalter_Beschreibung() {
    Z z{5,
        "Z",
        L(""),
        Feld | zyklisch,
        {L(""), "", 0, 90},
        {L(""), "", 0, 8000},
        {"", 0, 100, 0, 100},
        0,
        '4'};
    return beschreibe(z);
}

std::vector<Katalogplatz> Katalog_Listenordnung() {
    std::vector<Katalogplatz> liste;
    for (const Z& z : Zeilen) {
        if (z.nr == Trenner.nr)
            liste.push_back({Katalogplatz::Art::Trenner, 0});
        else if (z.nr == Zuendeditor_1.nr)
            liste.push_back({Katalogplatz::Art::Zuendung, 0});
        else if (z.nr == Zuendeditor_2.nr)
            liste.push_back({Katalogplatz::Art::Zuendung_2, 0});
        else
            liste.push_back({Katalogplatz::Art::Kennfeld, z.nr});
    }
    return liste;
}
