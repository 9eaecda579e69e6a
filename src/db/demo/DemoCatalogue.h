#pragma once

#include <span>

// Fixed reference data of the demo database (UTF-8 texts).
namespace DemoCatalogue {

struct Item {
    const char* code;
    const char* name;
    const char* spec;
    const char* unit;
    double price;
    const char* type;
    const char* dept;
    double stock;
    int reducesStock;
    int splitRatio;
};

struct User {
    const char* name;
    const char* group;
    const char* realName;
    const char* store; // Yf_sq.SQBH, or nullptr
};

struct Dictionary {
    const char* code;
    const char* name;
    const char* type; // "1" system, "0" user
    const char* module;
    const char* remark;
    std::span<const char* const> entries;
};

struct TreeNode {
    int id;
    int parent;
    int level;
    const char* name;
    const char* form; // window name of a leaf
};

struct Link {
    const char* form;
    const char* control;
    const char* caption;
    const char* dictionary;
};

std::span<const char* const> departments();
std::span<const Item> items();
std::span<const User> users();
std::span<const Dictionary> dictionaries();
std::span<const TreeNode> windowTree();
std::span<const Link> links();
std::span<const char* const> doctors();
std::span<const char* const> orderingDepartments();
std::span<const char* const> surnames();
std::span<const char* const> givenNames();
std::span<const char* const> wards();

inline constexpr const char* kPassword = "123";
inline constexpr const char* kUserWithoutRight = "钱收费";
inline constexpr const char* kHospitalName = "城东社区卫生服务中心";

} // namespace DemoCatalogue
