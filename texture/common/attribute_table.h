#pragma once
/// Attribute tables: each texture node lists its attributes once (names, type, defaults, limits,
/// flags, dependencies, the parameter field compute reads them into) and one initialiser walks
/// the list. Tests walk the same rows. Set-up runs on the registering thread only.

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "frame/k_object.h"
#include "frame/k_status.h"

class KDataBlock;

namespace texture {

enum class AttrType : unsigned char { kFloat, kInt, kBool, kCompound, kColor, kPoint, kMatrix };

/// Flag bits; a row lists the flags it sets on and those it sets off, the rest keep the host
/// default (readable, writable, storable; not keyable, hidden or colour).
enum AttrFlag : unsigned {
    kKeyable = 1u << 0,
    kStorable = 1u << 1,
    kReadable = 1u << 2,
    kWritable = 1u << 3,
    kHidden = 1u << 4,
    kUsedAsColor = 1u << 5,
    kReset = 1u << 6,  ///< disconnect behaviour 1: restore the default when disconnected
};

/// Which outputs an input dirties.
enum class Affects : unsigned char { kNone, kBoth, kColorOnly };

/// Where compute stores the value read from the block (offset into the parameter record).
enum class Field : unsigned char { kNone, kFloat, kInt, kBool, kRgb };

struct Limit {
    bool set = false;
    double value = 0.0;
};

struct AttrRow {
    const char* longName = nullptr;
    const char* shortName = nullptr;
    AttrType type = AttrType::kFloat;
    /// Children of a compound, colour or point (up to three; null names end the list).
    const char* childLong[3] = {nullptr, nullptr, nullptr};
    const char* childShort[3] = {nullptr, nullptr, nullptr};
    /// Defaults: none, one value, or one per child set on the compound after the children.
    int defaultCount = 0;
    double defaults[3] = {0, 0, 0};
    Limit softMin, softMax, hardMin, hardMax;
    unsigned on = 0;
    unsigned off = 0;
    /// Flags and defaults given to each child before the compound is built.
    unsigned childOn = 0;
    unsigned childOff = 0;
    bool childDefaults = false;
    double childDefault[3] = {0, 0, 0};
    Affects affects = Affects::kBoth;
    Affects childAffects = Affects::kBoth;
    /// Position in addAttribute order; -1 for never added on its own.
    int addOrder = -1;
    Field field = Field::kNone;
    std::size_t offset = 0;
};

/// The attribute and child handles created for one row.
struct AttrHandles {
    KObject attr;
    KObject child[3];
};

/// A node type's attributes in creation order, with the handles the initialiser created.
/// Filled once during registration; read-only (thread-safe) afterwards.
class AttributeLayout {
public:
    /// Creates every row in order, adds them in addOrder, declares the dependencies on the two
    /// outputs (rows named outColor and outAlpha) in creation order. With `errorTag` every
    /// failing call prints "ERROR in <tag> at line <n>\n" to stderr (n numbers the calls) and
    /// set-up continues. Returns success.
    KStatus initialize(std::vector<AttrRow> rows, const char* errorTag);

    const std::vector<AttrRow>& rows() const { return m_rows; }
    const std::vector<AttrHandles>& handles() const { return m_handles; }
    /// Row index by long name, or -1.
    int find(const char* longName) const;
    /// The handle of the row named `longName` (null object when none).
    const KObject& attribute(const char* longName) const;

    /// Reads every row with a field from the block into the record at `params`. Per sample:
    /// no allocation, no lock.
    void readFields(KDataBlock& block, void* params) const;

private:
    // Compact per-sample reading lists, one per field kind: handle and destination of each
    // bound row.
    struct FieldRead {
        KObject attr;
        std::size_t offset;
    };

    std::vector<AttrRow> m_rows;
    std::vector<AttrHandles> m_handles;
    std::array<std::vector<FieldRead>, static_cast<int>(Field::kRgb) + 1> m_reads;
};

/// Row builders. `on`/`off` are AttrFlag masks.
AttrRow floatRow(const char* ln, const char* sn, double def, unsigned on, unsigned off = 0);
AttrRow intRow(const char* ln, const char* sn, double def, unsigned on, unsigned off = 0);
AttrRow boolRow(const char* ln, const char* sn, bool def, unsigned on, unsigned off = 0);
/// A float compound of explicitly named children (two or three); `defs` null for none.
AttrRow compoundRow(const char* ln, const char* sn, std::span<const char* const> childLong,
                    std::span<const char* const> childShort, const double* defs, unsigned on,
                    unsigned off = 0);
/// A colour built by createColor (children <ln>R/G/B, <sn>r/g/b) with a default.
AttrRow colorRow(const char* ln, const char* sn, double r, double g, double b, unsigned on,
                 unsigned off = 0);
/// A float triple built by createPoint (children <ln>X/Y/Z, <sn>x/y/z) with a default.
AttrRow pointRow(const char* ln, const char* sn, double x, double y, double z, unsigned on,
                 unsigned off = 0);
/// A single-precision matrix (identity default).
AttrRow matrixRow(const char* ln, const char* sn, unsigned on, unsigned off = 0);

/// Soft and hard limits on a row.
AttrRow withSoft(AttrRow row, double lo, double hi);
AttrRow withHard(AttrRow row, double lo, double hi);
AttrRow withHardMin(AttrRow row, double lo);
AttrRow withSoftMax(AttrRow row, double hi);
/// Binds a row to a parameter field (offset of a float, int, bool or Rgb member).
AttrRow withField(AttrRow row, Field field, std::size_t offset);

}  // namespace texture
