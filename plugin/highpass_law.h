// The effect's parameter law: how the host's normalised value x in [0, 1] becomes the knob's
// value v in hertz (linear over the knob, 20 to 10 000) and v the cutoff, which follows the
// square of the knob position; the texts the host shows for the parameters; and the analogue
// prototype the filter follows. The plug-in and torv-render's response measurement use it.
//
// Free of the framework: it includes nothing of it, so that programs driving the module from
// outside can use it too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace highpass_law {

// ---- Parameters -------------------------------------------------------------------------------

enum Parameter : int32_t { stateParameter, frequencyParameter, parameterCount };

inline constexpr char stateName[] = "State";
inline constexpr char stateOn[] = "On"; // the switch's two state names
inline constexpr char stateOff[] = "Off";
inline constexpr char frequencyName[] = "Frequency";
inline constexpr char frequencyUnit[] = "Hz";
inline constexpr int32_t initialState = 1;
inline constexpr float initialKnobValue = 1500.0f;

// The knob's range, in hertz.
inline constexpr float knobMinimum = 20.0f;
inline constexpr float knobMaximum = 10000.0f;

// ---- Normalised value, knob value, cutoff (single precision, as the effect computes) -----------

// v = mn + x (mx - mn).
float knobValue(float x, float mn = knobMinimum, float mx = knobMaximum);
// x = (v - mn) / (mx - mn); 0 for an empty range.
float normalised(float v, float mn = knobMinimum, float mx = knobMaximum);
// cutoff = mn + (mx - mn) t^2 with t = (v - mn) / (mx - mn) (t = 0 for an empty range): 20 Hz at
// the left end, 2515 Hz at the middle (v = 5010), 10 000 Hz at the right end.
float cutoff(float v, float mn = knobMinimum, float mx = knobMaximum);
// The cutoff the effect sets for a normalised Frequency parameter x.
float cutoffForNormalised(float x);

// Integer parameters: v = trunc(x (maximum - minimum + 0.999999999) + minimum), and back
// x = (v - minimum + 0.5) / (maximum - minimum + 1).
int32_t integerValue(float x, int32_t minimum, int32_t maximum);
float integerNormalised(int32_t value, int32_t minimum, int32_t maximum);
// A switch is on above one half.
bool switchValue(float x);

// ---- Texts ------------------------------------------------------------------------------------
// Each writes at most size - 1 characters and the zero; nothing with a size of 0.

// Displays: "%d" or "%f" of the value, a space and the unit if there is one; "On" or "Off".
void displayInteger(char* text, size_t size, int32_t value, const char* unit);
void displayFloat(char* text, size_t size, float value, const char* unit);
void displaySwitch(char* text, size_t size, bool on);
// A switch's label: its two state names, "On/Off".
void labelSwitch(char* text, size_t size, const char* on, const char* off);
// The editor's read-out of a cutoff: "%.0f Hz".
void readout(char* text, size_t size, float cutoffHz);

// ---- The analogue prototype -------------------------------------------------------------------

// The third-order Butterworth high-pass: |H(f)|^2 = r^6 / (1 + r^6), r = f / cutoff, and the
// same in decibels (exact deep in the stop band too).
double butterworthPowerGain(double hz, double cutoffHz);
double butterworthDb(double hz, double cutoffHz);

} // namespace highpass_law
