#pragma once
// The soak's requests: seeded random command strings for every tool window,
// odd ones among them, token lists and converter inputs, each with what it
// must leave behind. Standard C++ only; the driver sends them and checks.
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/HostContract.h"

namespace kes::soak {

class Rng {
  public:
    explicit Rng(uint64_t seed) : engine_(seed) {}
    // Inclusive bounds.
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine_); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(engine_) < p; }
    template <class T>
    const T& Pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(Int(0, static_cast<int>(items.size()) - 1))];
    }

  private:
    std::mt19937_64 engine_;
};

// What a token list request carries: current~prefix~item~item~...~
struct TokenList {
    int current = 0;  // the current token as the window reads it (0 when field 1 is no number)
    std::string currentField;
    std::string prefix;
    std::vector<std::string> items;
    std::vector<int> values;  // each item's value, in list order

    std::string Text() const;
    std::string Caption() const { return prefix + " Tokens"; }
    // Items pre-selected on load: those whose value is the current token.
    std::vector<size_t> Preselected() const;
    // The item a mouse release keeps selected and that never counts as another token.
    size_t CurrentIndex() const;
    // The reply for these selected items (ascending list indexes).
    std::string Reply(const std::vector<size_t>& selected) const;
};

TokenList RandomTokenList(Rng& rng, int count);

enum class Effect { None, Open, Close };

struct Request {
    std::string command;
    Effect effect = Effect::None;
    int window = -1;                      // Open and Close: 0, 1, 5 or 6
    std::optional<std::string> helpText;  // Open 1: the text to show, when the request fixes it
    std::optional<TokenList> tokens;      // Open 6
    std::string kind;                     // names the request in failure reports
};

// Well-formed open and close requests at a random anchor.
Request OpenRequest(Rng& rng, int window, const std::string& text);
Request OpenTokens(Rng& rng, int count);
Request CloseRequest(Rng& rng, int window);
Request RandomOddRequest(Rng& rng);

// Printable ASCII without "@", with line breaks; lengths up to 32,000.
std::string RandomHelpText(Rng& rng, int length);
// Text without "@" or line breaks that reads as no number.
std::string Garbage(Rng& rng, int length);

// Source and target buttons, in the converter's order.
enum class Unit { dBm, mW, Vop, Vrms };

struct Conversion {
    std::string input;
    Unit source = Unit::dBm, target = Unit::dBm;
    bool valid = true;  // false: the converter must refuse it with its message box
    std::string exact;  // the whole result text, where it is known
};

// Inputs written with this decimal separator; never a zero level into dBm.
Conversion RandomConversion(Rng& rng, char decimalSeparator);

}  // namespace kes::soak
