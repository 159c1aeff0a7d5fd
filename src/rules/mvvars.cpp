#include "rules/mvvars.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "driver/options.h"
#include "support/mverror.h"
#include "support/public.h"

namespace mv {

MVWord* mvValue[kClasses];
GenCell** mvRule[kClasses];
const char** mvName[kClasses];
int32_t* mvPosn[kClasses];
int32_t* mvType[kClasses];
int32_t* mvDim[kClasses];
int32_t* mvNeed[kClasses];
StatRecord** mvStat[kClasses];
uint16_t mvLast[kClasses];

bool ClassHasRules(int cls) {
  if (mvRule[cls] == nullptr) return false;
  for (int i = 0; i < mvLast[cls]; ++i)
    if (mvRule[cls][i] != nullptr) return true;
  return false;
}
int nVars;
int nStats;
int32_t statVars[kMaxStatVars];
int32_t maxStatCount;

MVWord* valStack[kValueLevels][kClasses];
int valStackIndex[kClasses];

bool lex1_needed, lex2_needed, pp_needed, needUndefs, id_needed, cnv_needed, lin_needed, needOps, checkHidden;
int32_t* fcnUOptr;
int32_t* fcnUHoptr;
int32_t* modUOptr;
int32_t* modUHoptr;
int32_t* prjUOptr;
int32_t* prjUHoptr;

bool lexRule;
int (*lexColumnHook)();
int (*yaccColumnHook)();
bool (*lineRulesOffHook)();

namespace {

// ---- The predefined names, class by class in index order --------------------------

// clang-format off
// mv_: built-in functions, numbered by slot
const char* const kNames0[] = {
  "advise", "all_digit", "all_lower", "all_upper", "atoi", "atof", "class_name", "conflict_file",
  "corr", "dcl_array_dim", "dcl_base_name", "dcl_base_name_root", "dcl_name", "dcl_scope_name",
  "define", "remove_path", "eprintf", "err_message", "idn_exception_name", "exec", "exit",
  "exp_base_name", "fatal", "fclose", "file_name", "file_path", "find_root", "find_scoped_root",
  "fopen", "force_include", "fprintf", "fscanf", "fcn_name", "get_case", "header_name",
  "header_path", "histogram", "identifier", "idn_array_dim", "idn_base_name", "idn_filename",
  "idn_level", "idn_level_flags", "idn_name", "pp_if_search", "ignore", "included", "isalpha",
  "isdigit", "islower", "isupper", "keyword", "dcl_level", "dcl_level_flags", "line",
  "lin_include_name", "log2", "macro", "macro_defined", "maximum", "mean", "median", "minimum",
  "mode", "mod_class_name", "mod_class_tokens", "mod_class_lines", "mod_name", "ncases", "new_type",
  "next_char", "next_token", "no_undef", "op_array_dim", "op_base", "op_base_name", "op_bitfield",
  "op_function", "op_level", "op_level_flags", "op_levels", "op_macro", "op_parened_operand",
  "option", "pow", "pp_error_severity", "pp_name", "pragma", "prefix", "prev_token", "printf",
  "prj_name", "quantile", "reset", "root", "scanf", "set_header_optS", "set_option",
  "set_str_option", "skip_macro_ops", "skip_nonansi_ident", "sort", "sprintf", "sqrt", "sscanf",
  "stdev", "strcat", "strchr", "strcmp", "strcpy", "strcspn", "strequiv", "strlen", "strncat",
  "strncmp", "strncpy", "strpbrk", "str_option", "strrchr", "strspn", "strstr", "suffix",
  "tag_baseclass_access", "tag_baseclass_kind", "tag_baseclass_name", "tag_components", "tag_name",
  "test_needed", "time_stamp", "token", "tolower", "toupper", "dcl_typedef_name", "undefine",
  "stm_unused_name", "variance", "warn",
};
// lex1_
const char* const kNames1[] = {
  "lex_float", "lex_lc_long", "lex_long_float", "lex_long_long", "lex_macro_body", "lex_metaware",
  "lex_punct_after", "lex_punct_before", "lex_radix", "lex_str_length", "lex_str_macro",
  "lex_str_trigraph", "lex_suffix", "lex_trigraph", "lex_uc_long", "lex_unsigned", "lex_wide",
};
// lex2_
const char* const kNames2[] = {
  "lex_constant", "lex_cpp_init", "lex_identifier", "lex_initializer", "lex_intrinsic",
  "lex_invisible", "lex_key_no_space", "lex_keyword", "lex_macro", "lex_macro_token",
  "lex_not_manifest", "lex_token",
};
// pp_
const char* const kNames3[] = {
  "pp_ansi", "pp_arg_count", "pp_arg_multiple", "pp_arg_paren", "pp_arg_string", "pp_arith",
  "pp_assign", "pp_bad_white", "pp_benign", "pp_comment", "pp_const", "pp_defined", "pp_depend",
  "pp_elif", "pp_empty_arglist", "pp_empty_body", "pp_endif", "pp_error", "pp_if", "pp_ifdef",
  "pp_if_depth", "pp_include", "pp_include_white", "pp_keyword", "pp_length", "pp_lowercase",
  "pp_macro", "pp_macro_conflict", "pp_macro_dup", "pp_not_ansi", "pp_not_defined", "pp_not_found",
  "pp_overload", "pp_paste", "pp_pragma", "pp_recursive", "pp_relative", "pp_semicolon",
  "pp_sizeof", "pp_stack", "pp_stringize", "pp_sub_keyword", "pp_trailer", "pp_undef", "pp_unknown",
  "pp_unstack", "pp_white_after", "pp_white_before",
};
// dcl_
const char* const kNames4[] = {
  "dcl_3dots", "dcl_abstract", "dcl_access", "dcl_aggr", "dcl_all_upper", "dcl_ambig",
  "dcl_any_upper", "dcl_array_size", "dcl_auto_init", "dcl_base", "dcl_base_root", "dcl_bitfield",
  "dcl_bitfield_anon", "dcl_bitfield_arith", "dcl_bitfield_size", "dcl_conflict", "dcl_count",
  "dcl_cv_modifier", "dcl_definition", "dcl_empty", "dcl_enum", "dcl_enum_hidden", "dcl_exception",
  "dcl_explicit", "dcl_extern", "dcl_extern_ambig", "dcl_extern_inner", "dcl_first_upper",
  "dcl_friend", "dcl_from_macro", "dcl_function", "dcl_function_flags", "dcl_function_ptr",
  "dcl_global", "dcl_hidden", "dcl_Hungarian", "dcl_ident_length", "dcl_init_arith",
  "dcl_initializer", "dcl_inline", "dcl_label_overload", "dcl_levels", "dcl_local", "dcl_local_dup",
  "dcl_long_float", "dcl_member", "dcl_mutable", "dcl_need_3dots", "dcl_new_array",
  "dcl_no_prototype", "dcl_no_specifier", "dcl_not_declared", "dcl_oldstyle", "dcl_parameter",
  "dcl_parm_count", "dcl_parm_hidden", "dcl_pure", "dcl_signed", "dcl_simple", "dcl_static",
  "dcl_storage_first", "dcl_storage_flags", "dcl_tag_def", "dcl_template", "dcl_throw_parameter",
  "dcl_type_before", "dcl_typedef", "dcl_typedef_dup", "dcl_underscore", "dcl_union_bits",
  "dcl_union_init", "dcl_unsigned", "dcl_variable", "dcl_virtual", "dcl_zero_array",
};
// tag_
const char* const kNames5[] = {
  "tag_abstract", "tag_anonymous", "tag_base_access", "tag_bases", "tag_begin", "tag_classes",
  "tag_constants", "tag_constructors", "tag_distance", "tag_end", "tag_fcn_friends", "tag_forward",
  "tag_friends", "tag_functions", "tag_global", "tag_has_assign", "tag_has_copy", "tag_has_default",
  "tag_has_destr", "tag_hidden", "tag_kind", "tag_lines", "tag_local", "tag_mem_access",
  "tag_members", "tag_mutables", "tag_nested", "tag_operators", "tag_private", "tag_protected",
  "tag_public", "tag_static_fcn", "tag_static_mem", "tag_template", "tag_tokens", "tag_types",
};
// idn_
const char* const kNames6[] = {
  "idn_base", "idn_bitfield", "idn_constant", "idn_exception", "idn_exception_base", "idn_function",
  "idn_global", "idn_levels", "idn_line", "idn_local", "idn_member", "idn_no_init",
  "idn_no_prototype", "idn_not_declared", "idn_parameter", "idn_storage_flags", "idn_variable",
};
// op_: indexed by the operator code
const char* const kNames7[] = {
  "op_close_angle", "op_close_brace", "op_close_bracket", "op_close_funargs", "op_close_paren",
  "op_colon_1", "op_colon_2", "op_comma", "op_destroy", "op_iterator", "op_macro_arg",
  "op_macro_begin", "op_macro_call", "op_open_angle", "op_open_brace", "op_open_bracket",
  "op_open_funargs", "op_open_paren", "op_pointer", "op_reference", "op_scope", "op_semicolon",
  "op_separator", "op_cond", "op_iterator_call", "op_assoc", "op_assign", "op_add_assign",
  "op_and_assign", "op_div_assign", "op_left_assign", "op_mul_assign", "op_or_assign",
  "op_rem_assign", "op_right_assign", "op_sub_assign", "op_xor_assign", "op_add", "op_based",
  "op_bit_and", "op_bit_or", "op_bit_xor", "op_cast", "op_div", "op_equal", "op_init",
  "op_left_shift", "op_less", "op_less_eq", "op_log_and", "op_log_or", "op_more", "op_more_eq",
  "op_mul", "op_not_eq", "op_rem", "op_right_shift", "op_subt", "op_address", "op_arrow",
  "op_bit_not", "op_call", "op_call_overload", "op_delete", "op_indirect", "op_log_not",
  "op_member", "op_memptr", "op_memsel", "op_negate", "op_new", "op_plus", "op_post_decr",
  "op_post_incr", "op_pre_decr", "op_pre_incr", "op_sizeof", "op_subscript", "op_break", "op_case",
  "op_catch", "op_continue", "op_default", "op_do", "op_else", "op_for", "op_goto", "op_if",
  "op_return", "op_switch", "op_throw", "op_try", "op_while_1", "op_while_2",
};
// opk_
const char* const kNames8[] = {
  "op_bad_operand", "op_bitwise", "op_cast_to_ptr", "op_declarator", "op_executable", "op_Halstead",
  "op_high", "op_high_infix", "op_high_postfix", "op_high_prefix", "op_infix", "op_keyword",
  "op_low", "op_medium", "op_operands", "op_postfix", "op_prefix", "op_punct", "op_white_after",
  "op_white_before", "op_space_after", "op_space_before",
};
// cnv_
const char* const kNames9[] = {
  "cnv_any_to_bitfield", "cnv_any_to_ptr", "cnv_bitfield_to_any", "cnv_const_to_any",
  "cnv_float_to_int", "cnv_int_to_float", "cnv_ptr_to_any", "cnv_ptr_to_ptr", "cnv_signed_to_any",
  "cnv_truncate",
};
// exp_
const char* const kNames10[] = {
  "exp_arg_less", "exp_arg_more", "exp_empty_initializer", "exp_not_ansi", "exp_operands",
  "exp_operators", "exp_tokens",
};
// stm_
const char* const kNames11[] = {
  "stm_aggr", "stm_array", "stm_bad_label", "stm_cases", "stm_catchs", "stm_container",
  "stm_cp_begin", "stm_cp_assign", "stm_depth", "stm_end", "stm_goto", "stm_is_comp", "stm_is_expr",
  "stm_is_high", "stm_is_iter", "stm_is_jump", "stm_is_low", "stm_is_nonexec", "stm_is_select",
  "stm_kind", "stm_labels", "stm_lines", "stm_locals", "stm_loop_back", "stm_members",
  "stm_need_comp", "stm_never_caught", "stm_no_break", "stm_no_default", "stm_if_else",
  "stm_operands", "stm_operators", "stm_relation", "stm_return_paren", "stm_return_void",
  "stm_semicolon", "stm_simple", "stm_switch_cases", "stm_tokens", "stm_end_tryblock", "stm_unused",
};
// lin_
const char* const kNames12[] = {
  "lin_continuation", "lin_continues", "lin_dcl_count", "lin_depth", "lin_end", "lin_has_code",
  "lin_has_comment", "lin_has_label", "lin_header", "lin_include_kind", "lin_indent_space",
  "lin_indent_tab", "lin_is_comment", "lin_is_empty", "lin_is_exec", "lin_is_white", "lin_length",
  "lin_nest_level", "lin_number", "lin_operands", "lin_operators", "lin_preprocessor", "lin_source",
  "lin_suppressed", "lin_tokens", "lin_within_class", "lin_within_function", "lin_within_tag",
};
// fcn_
const char* const kNames13[] = {
  "fcn_aggr", "fcn_array", "fcn_begin", "fcn_com_lines", "fcn_decisions", "fcn_end",
  "fcn_exec_lines", "fcn_H_operands", "fcn_H_operators", "fcn_high", "fcn_locals", "fcn_low",
  "fcn_members", "fcn_no_header", "fcn_nonexec", "fcn_operands", "fcn_operators", "fcn_register",
  "fcn_simple", "fcn_tokens", "fcn_total_lines", "fcn_u_operands", "fcn_u_operators",
  "fcn_uH_operands", "fcn_uH_operators", "fcn_unused", "fcn_white_lines",
};
// mod_
const char* const kNames14[] = {
  "mod_aggr", "mod_array", "mod_begin", "mod_classes", "mod_com_lines", "mod_decisions", "mod_end",
  "mod_exec_lines", "mod_extern", "mod_functions", "mod_globals", "mod_H_operands",
  "mod_H_operators", "mod_high", "mod_low", "mod_macros", "mod_members", "mod_nonexec",
  "mod_operands", "mod_operators", "mod_simple", "mod_static", "mod_tokens", "mod_total_lines",
  "mod_u_operands", "mod_u_operators", "mod_uH_operands", "mod_uH_operators", "mod_unused",
  "mod_warnings", "mod_white_lines",
};
// prj_
const char* const kNames15[] = {
  "prj_aggr", "prj_array", "prj_begin", "prj_com_lines", "prj_conflicts", "prj_decisions",
  "prj_end", "prj_exec_lines", "prj_functions", "prj_globals", "prj_H_operands", "prj_H_operators",
  "prj_headers", "prj_high", "prj_low", "prj_macros", "prj_members", "prj_modules", "prj_nonexec",
  "prj_operands", "prj_operators", "prj_simple", "prj_tokens", "prj_total_lines", "prj_u_operands",
  "prj_u_operators", "prj_uH_operands", "prj_uH_operators", "prj_unused", "prj_warnings",
  "prj_white_lines",
};
// evt_
const char* const kNames16[] = {
  "lex_ansi_escape", "lex_assembler", "lex_backslash", "lex_bad_call", "lex_big_octal",
  "lex_c_comment", "lex_char_empty", "lex_char_long", "conflict_line", "lex_cpp_comment",
  "lex_enum_comma", "lex_hex_escape", "pp_include_depth", "lex_nl_eof", "lex_nested_comment",
  "lex_nonstandard", "lex_not_KR_escape", "lex_null_arg", "lex_num_escape", "pp_paste_failed",
  "lex_str_concat", "err_syntax", "lex_zero_escape",
};
// old_: obsolete names, kept to name their replacements
const char* const kNames18[] = {
  "dcl_array", "lex_bad_eof", "dcl_base_flags", "dcl_members", "dcl_pointer", "dcl_pointer_flags",
  "dcl_prefix", "dcl_reference", "dcl_root", "dcl_specifier_flags", "dcl_suffix", "dcl_tag_anon",
  "exp_arg_before", "exp_arg_close", "exp_arg_open", "exp_high_space", "exp_low_space",
  "lex_sub_before", "lex_sub_close", "lex_sub_open", "lib_name", "op_subscript_close", "op_arglist",
  "op_arglist_close", "stm_has_label", "stm_is_label", "stm_empty", "mod_include_depth",
  "exp_no_prototype", "exp_not_declared", "op_open_subscript", "op_close_subscript", "stm_no_init",
  "lin_new_comment", "lin_nested_comment",
};
// What the compiler advises instead of each old_ name; null: "do not use".
const char* const kObsoleteText[] = {
    "(dcl_level(0) == ARRAY)",
    nullptr,
    "dcl_level_flags(0) or dcl_storage_flags",
    "tag_members or tag_components()",
    "(dcl_level(0) == POINTER)",
    "dcl_level_flags(k)",
    "prefix()",
    "(dcl_level(0) == REFERENCE)",
    "root()",
    "dcl_level_flags() or dcl_storage_flags",
    "suffix()",
    "tag_anonymous",
    "(op_open_funargs && op_white_before",
    "(op_close_funargs && op_white_before",
    "(op_open_funargs && op_white_after",
    "expressions like (op_high_postfix && op_white_before)",
    "(op_low && (! op_white_before || ! op_white_after))",
    "(op_open_bracket && op_white_before)",
    "(op_close_bracket && op_white_before)",
    "(op_open_bracket && op_white_after)",
    "header_name",
    "op_close_bracket",
    "op_open_funargs or op_call",
    "op_close_funargs",
    "stm_labels or stm_cases",
    "stm_labels or stm_cases",
    "(stm_kind == EMPTY)",
    "lin_depth",
    "idn_no_prototype",
    "idn_not_declared",
    "op_subscript or op_open_bracket",
    "op_close_bracket",
    "idn_no_init",
    "lex_cpp_comment",
    "lex_nested_comment",
};

const char* const* const kNames[kClasses] = {
    kNames0, kNames1, kNames2,  kNames3,  kNames4,  kNames5,  kNames6, kNames7,  kNames8, kNames9,
    kNames10, kNames11, kNames12, kNames13, kNames14, kNames15, kNames16, nullptr, kNames18,
};

constexpr uint16_t kCounts[kClasses] = {137, 17, 12, 48, 75, 36, 17, 94, 22, 10,
                                        7,   41, 28, 27, 31, 31, 23, 0,  35};
// clang-format on

static_assert(std::size(kNames0) == 137 && std::size(kNames1) == 17 && std::size(kNames2) == 12 &&
              std::size(kNames3) == 48 && std::size(kNames4) == 75 && std::size(kNames5) == 36 &&
              std::size(kNames6) == 17 && std::size(kNames7) == 94 && std::size(kNames8) == 22 &&
              std::size(kNames9) == 10 && std::size(kNames10) == 7 && std::size(kNames11) == 41 &&
              std::size(kNames12) == 28 && std::size(kNames13) == 27 && std::size(kNames14) == 31 &&
              std::size(kNames15) == 31 && std::size(kNames16) == 23 && std::size(kNames18) == 35 &&
              std::size(kObsoleteText) == 35);

// Slots allocated per class: class 17 has room for every rule-file variable.
int SlotRoom(int cls) { return cls == usr_ ? kUsrSlots : kCounts[cls]; }

// Predefined variables that are not integer statistics in classes 13 and 14.
bool IsPlainCounter(const char* name) {
  static const char* const plain[] = {"fcn_begin",   "fcn_end", "fcn_no_header", "fcn_register", "mod_begin",
                                      "mod_classes", "mod_end", "mod_macros",    "mod_warnings"};
  for (const char* p : plain)
    if (strcmp(p, name) == 0) return true;
  return false;
}

constexpr int kStmLines = 21;   // stm_lines in class 11
constexpr int kStmTokens = 38;  // stm_tokens in class 11
constexpr int kDclHidden = 34;  // dcl_hidden in class 4
constexpr int kDclLabelOverload = 40;
constexpr int kOperatorFlags = 94;

// Everything the table obtained from the system; InitVars releases it so
// that a new run starts from nothing. Other subsystems' blocks (the loader's
// buffers, rule cells from the pools) are only forgotten. Never destroyed,
// so that what it holds stays reachable until the process ends.
std::vector<void*>* owned = new std::vector<void*>;

void* OwnedMem(size_t count, size_t size) {
  void* p = GetMem(count, size);
  owned->push_back(p);
  return p;
}

// Code (class * 256 + index) of every named slot. No predefined name occurs
// twice, so the first entry for a name is the one a search in class order
// would find; class 17 entries are added as the variables are declared.
std::unordered_map<std::string_view, int32_t> nameIndex;

// "usr_<n>" for class 17 variables whose names a compiled file did not keep.
char usrNames[kUsrSlots][16];

inline void CheckSlot(int cls, int index) {
  MV_ASSERT(static_cast<unsigned>(cls) < static_cast<unsigned>(kClasses) &&
                static_cast<unsigned>(index) < static_cast<unsigned>(SlotRoom(cls)),
            kPhaseNone);
}

inline void AddToWord(MVWord* w, int32_t delta) {
  *w = static_cast<int32_t>(static_cast<uint32_t>(WordInt(*w)) + static_cast<uint32_t>(delta));
}

[[noreturn]] void FatalWithName(int n, const char* format, const char* name) {
  char text[kMessageBuffer];
  snprintf(text, sizeof text, format, name != nullptr ? name : "?");
  FatalError(n, text);
}

bool StatLineOff() { return lineRulesOffHook != nullptr && lineRulesOffHook(); }

// The column SetMVFStat records: that of the lexer's or the parser's line,
// 1 when there is none.
int StatPosition() {
  int (*hook)() = lexRule ? lexColumnHook : yaccColumnHook;
  return hook != nullptr ? hook() : 1;
}

StatRecord* StatOf(int cls, int index) { return mvStat[cls] != nullptr ? mvStat[cls][index] : nullptr; }

int32_t* OperatorFlags() { return static_cast<int32_t*>(OwnedMem(kOperatorFlags, sizeof(int32_t))); }

void NeedOperatorFlags(int32_t** table) {
  if (*table == nullptr) *table = OperatorFlags();
}

bool NameIn(const char* name, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (strcmp(n, name) == 0) return true;
  return false;
}

}  // namespace

// ---- Value words ------------------------------------------------------------------------

float WordFloat(MVWord w) {
  uint32_t bits = static_cast<uint32_t>(w);
  float f;
  memcpy(&f, &bits, sizeof f);
  return f;
}

MVWord FloatWord(float f) {
  int32_t bits;
  memcpy(&bits, &f, sizeof bits);
  return bits;  // sign-extended like every other 32-bit value
}

// ---- Building the table -----------------------------------------------------------------

void InitVars() {
  for (void* p : *owned) FreeMem(p);
  owned->clear();
  nameIndex.clear();
  nameIndex.reserve(1024);

  for (int c = 0; c < kClasses; ++c) {
    const int room = SlotRoom(c);
    mvLast[c] = kCounts[c];
    mvValue[c] = static_cast<MVWord*>(OwnedMem(room, sizeof(MVWord)));
    mvRule[c] = static_cast<GenCell**>(OwnedMem(room, sizeof(GenCell*)));
    mvName[c] = static_cast<const char**>(OwnedMem(room, sizeof(const char*)));
    mvPosn[c] = static_cast<int32_t*>(OwnedMem(room, sizeof(int32_t)));
    mvType[c] = static_cast<int32_t*>(OwnedMem(room, sizeof(int32_t)));
    mvDim[c] = static_cast<int32_t*>(OwnedMem(room, sizeof(int32_t)));
    mvNeed[c] = static_cast<int32_t*>(OwnedMem(room, sizeof(int32_t)));
    mvStat[c] =
        (c == fcn_ || c == mod_) ? static_cast<StatRecord**>(OwnedMem(room, sizeof(StatRecord*))) : nullptr;
    valStackIndex[c] = 0;
    for (int level = 0; level < kValueLevels; ++level) valStack[level][c] = nullptr;
  }
  nVars = 0;
  nStats = 0;
  for (int32_t& s : statVars) s = 0;
  maxStatCount = kMaxStatCases;

  for (int c = 0; c < kClasses; ++c) {
    if (c == usr_) continue;
    for (int i = 0; i < kCounts[c]; ++i) {
      mvName[c][i] = kNames[c][i];
      nameIndex.emplace(kNames[c][i], c * 256 + i);
      if ((c == fcn_ || c == mod_) && !IsPlainCounter(kNames[c][i])) mvType[c][i] = kTypeIStat;
    }
  }
  for (int i = 0; i < kCounts[mv_]; ++i) mvValue[mv_][i] = i;

  lex1_needed = lex2_needed = pp_needed = needUndefs = id_needed = cnv_needed = lin_needed = needOps =
      checkHidden = false;
  fcnUOptr = fcnUHoptr = modUOptr = modUHoptr = prjUOptr = prjUHoptr = nullptr;
  lexRule = false;

  if (usrNames[0][0] == 0)
    for (int i = 0; i < kUsrSlots; ++i) snprintf(usrNames[i], sizeof usrNames[i], "usr_%d", i);
}

void MakeUsrStats() {
  if (mvStat[usr_] == nullptr)
    mvStat[usr_] = static_cast<StatRecord**>(OwnedMem(kUsrSlots, sizeof(StatRecord*)));
}

// ---- Names ----------------------------------------------------------------------------------

bool FindMVVar(const char* name, int* cls, int* index) {
  MV_ASSERT(name != nullptr, kPhaseRules);
  auto it = nameIndex.find(name);
  int found = it == nameIndex.end() ? -1 : it->second;
  // A search in class order would meet the class 17 slots before any class
  // 18 name or a miss; a slot left unnamed by loading is an internal error.
  if (found < 0 || found / 256 >= usr_) {
    int end = found / 256 == usr_ ? found % 256 : mvLast[usr_];
    if (end > kUsrSlots) end = kUsrSlots;
    for (int i = 0; i < end; ++i) {
      if (mvName[usr_][i] == nullptr) {
        const char* before = i > 0 ? mvName[usr_][i - 1] : kNames[evt_][kCounts[evt_] - 1];
        fprintf(stderr, "\n   [%s]\n", before != nullptr ? before : "");
        const char* slotName = mvName[usr_][i];
        MV_ASSERT(slotName != nullptr, kPhaseRules);
      }
    }
  }
  if (found < 0) return false;
  *cls = found / 256;
  *index = found % 256;
  return true;
}

const char* VarName(int cls, int index) {
  CheckSlot(cls, index);
  const char* name = mvName[cls][index];
  if (name != nullptr) return name;
  return cls == usr_ ? usrNames[index] : "";
}

const char* CodeName(int32_t code) {
  if (code < 0 || code / 256 >= kClasses || code % 256 >= SlotRoom(code / 256)) return "?";
  return VarName(code / 256, code % 256);
}

const char* ObsoleteReplacement(int index) {
  MV_ASSERT(index >= 0 && index < kCounts[old_], kPhaseRules);
  return kObsoleteText[index];
}

// ---- Rule-file variables --------------------------------------------------------------------

void AddMVVar(const char* name, const VarDescriptor& decl) {
  MV_ASSERT(name != nullptr, kPhaseRules);
  // Codes hold the index in 8 bits, so a 257th variable could not be named.
  if (nVars >= kUsrCodable) FatalError(21, "Morvane name table overflow.");

  int type = 0;
  int32_t dim = 0;
  if (decl.storageClass == kStorageStatistic) {
    if (decl.baseType == kBaseInt)
      type = kTypeIStat;
    else if (decl.baseType == kBaseFloat)
      type = kTypeFStat;
  } else if (decl.baseType == kBaseChar) {
    if (decl.nModifiers == 0) {
      type = kTypeChar;
    } else if (decl.firstModifier == kModPointer) {
      type = kTypePointer;
    } else if (decl.firstModifier == kModArray) {
      type = kTypePointer;
      dim = decl.arraySize > 0 ? decl.arraySize : 0;
    }
  } else if (decl.baseType == kBaseInt || decl.baseType == kBaseFloat) {
    if (decl.nModifiers == 0) type = decl.baseType == kBaseInt ? kTypeInt : kTypeFloat;
  } else if (decl.baseType == kBaseFile) {
    if (decl.nModifiers == 1 && decl.firstModifier == kModPointer) type = kTypePointer;
  }
  if (type == 0) Panic(15);

  const size_t length = strlen(name);
  char* copy = static_cast<char*>(OwnedMem(length + 1, 1));
  memcpy(copy, name, length);
  const int slot = nVars;
  mvName[usr_][slot] = copy;
  mvType[usr_][slot] = type;
  mvDim[usr_][slot] = dim;
  mvValue[usr_][slot] = type == kTypeFloat ? FloatWord(0.0f) : 0;
  nameIndex.emplace(std::string_view(copy, length), usr_ * 256 + slot);
  nVars = slot + 1;
  mvLast[usr_] = static_cast<uint16_t>(nVars);
}

// ---- Setters ------------------------------------------------------------------------------------

int CurrentPosition() {
  if (lexRule) return lexColumnHook != nullptr ? lexColumnHook() : 0;
  return yaccColumnHook != nullptr ? yaccColumnHook() : 0;
}

void SetMVBoolean(int cls, int index) {
  if (checkRules) return;
  CheckSlot(cls, index);
  mvValue[cls][index] = 1;
  mvPosn[cls][index] = CurrentPosition();
}

void SetMVInteger(int cls, int index, int32_t value) {
  if (checkRules) return;
  CheckSlot(cls, index);
  mvValue[cls][index] = value;
  mvPosn[cls][index] = CurrentPosition();
}

void MVIncrement(int cls, int index) {
  if (checkRules) return;
  CheckSlot(cls, index);
  AddToWord(&mvValue[cls][index], 1);
  mvPosn[cls][index] = CurrentPosition();
}

void MVDecrement(int cls, int index) {
  if (checkRules) return;
  CheckSlot(cls, index);
  AddToWord(&mvValue[cls][index], -1);
  mvPosn[cls][index] = CurrentPosition();
}

void SetMVIStat(int cls, int index, int32_t value) {
  if (StatLineOff()) return;
  CheckSlot(cls, index);
  SetMVInteger(cls, index, value);
  if (mvType[cls][index] != kTypeIStat)
    FatalWithName(33, "%s is NOT an integer statistic!", VarName(cls, index));
  if (checkRules) return;
  if (StatRecord* stat = StatOf(cls, index)) RecordIntCase(stat, value, VarName(cls, index));
}

void SetMVCount(int cls, int index) {
  if (StatLineOff()) return;
  CheckSlot(cls, index);
  if (mvType[cls][index] != kTypeIStat)
    FatalWithName(33, "%s is NOT an integer statistic!", VarName(cls, index));
  if (checkRules) return;
  if (StatRecord* stat = StatOf(cls, index))
    RecordIntCase(stat, WordInt(mvValue[cls][index]), VarName(cls, index));
}

void SetMVFStat(int cls, int index, MVWord floatBits) {
  if (StatLineOff()) return;
  CheckSlot(cls, index);
  const float value = WordFloat(floatBits);
  if (!checkRules && WordFloat(mvValue[cls][index]) != value) {
    mvValue[cls][index] = FloatWord(value);
    mvPosn[cls][index] = StatPosition();
  }
  if (mvType[cls][index] != kTypeFStat)
    FatalWithName(33, "%s is NOT a float statistic!", VarName(cls, index));
  if (checkRules) return;
  if (StatRecord* stat = StatOf(cls, index)) RecordFloatCase(stat, value, VarName(cls, index));
}

// ---- Statistic records ------------------------------------------------------------------------

StatRecord* NewStat(bool isFloat) {
  auto* stat = static_cast<StatRecord*>(OwnedMem(1, sizeof(StatRecord)));
  stat->isFloat = isFloat;
  stat->nbuffs = 0;
  stat->buffs[0] = OwnedMem(kStatBuffer, sizeof(int32_t));
  ResetStat(stat);
  return stat;
}

void ResetStat(StatRecord* stat) {
  stat->count = 0;
  stat->sum = stat->sumSq = 0.0;
  stat->imin = INT32_MAX;
  stat->imax = INT32_MIN;
  stat->fmin = 1e37;
  stat->fmax = -1e37;
  stat->sorted = 0;
}

namespace {

// The buffer that receives the next case, allocated when the count has just
// filled the last one. Cases beyond the buffers are refused like those
// beyond maxStatCount.
void* NextBuffer(StatRecord* stat, const char* name) {
  if (stat->count >= maxStatCount || stat->count >= kStatBuffer * kStatBuffers)
    FatalWithName(34, "Too many cases for the statistic %s.", name);
  const int buffno = stat->count / kStatBuffer;
  if (buffno > stat->nbuffs) {
    if (stat->isFloat) {
      const StatRecord* fstat = stat;
      MV_ASSERT(buffno == 1 + fstat->nbuffs, kPhaseNone);
    } else {
      const StatRecord* istat = stat;
      MV_ASSERT(buffno == 1 + istat->nbuffs, kPhaseNone);
    }
    stat->nbuffs = buffno;
    stat->buffs[buffno] = OwnedMem(kStatBuffer, sizeof(int32_t));
  }
  return stat->buffs[buffno];
}

}  // namespace

void RecordIntCase(StatRecord* stat, int32_t value, const char* name) {
  auto* buffer = static_cast<int32_t*>(NextBuffer(stat, name));
  buffer[stat->count % kStatBuffer] = value;
  ++stat->count;
  const double v = value;
  stat->sum += v;
  stat->sumSq += v * v;
  if (stat->imin > value) stat->imin = value;
  if (stat->imax < value) stat->imax = value;
  stat->sorted = 0;
}

void RecordFloatCase(StatRecord* stat, float value, const char* name) {
  auto* buffer = static_cast<float*>(NextBuffer(stat, name));
  buffer[stat->count % kStatBuffer] = value;
  ++stat->count;
  stat->sum += value;
  const float square = value * value;  // squared in single precision, as the cases are kept
  stat->sumSq += square;
  if (stat->fmin > value) stat->fmin = value;
  if (stat->fmax < value) stat->fmax = value;
  stat->sorted = 0;
}

// ---- Clearing and nesting ----------------------------------------------------------------------

void ZeroVars(int cls) {
  const int type = cls;
  MV_ASSERT((type > mv_) && (type < usr_), kPhaseNone);
  memset(mvValue[cls], 0, sizeof(MVWord) * static_cast<size_t>(SlotRoom(cls)));
}

void ZeroMostVars() {
  for (int c = lex1_; c <= fcn_; ++c) ZeroVars(c);
}

void PushMVValues(int cls) {
  MV_ASSERT(cls >= 0 && cls < kClasses, kPhaseNone);
  const int level = valStackIndex[cls];
  if (level >= kValueLevels) FatalError(27, "Value stack overflow in PushMVValues.");
  valStackIndex[cls] = level + 1;
  const size_t bytes = sizeof(MVWord) * static_cast<size_t>(SlotRoom(cls));
  MVWord* fresh = valStack[level][cls];
  if (fresh == nullptr)
    fresh = static_cast<MVWord*>(OwnedMem(1, bytes));
  else
    memset(fresh, 0, bytes);
  valStack[level][cls] = mvValue[cls];
  mvValue[cls] = fresh;
}

void PopMVValues(int cls) {
  MV_ASSERT(cls >= 0 && cls < kClasses, kPhaseNone);
  if (valStackIndex[cls] <= 0) FatalError(28, "Value stack underflow in PopMVValues.");
  const int level = --valStackIndex[cls];
  MVWord* inner = mvValue[cls];
  mvValue[cls] = valStack[level][cls];
  valStack[level][cls] = inner;
  memset(inner, 0, sizeof(MVWord) * static_cast<size_t>(SlotRoom(cls)));
}

MVWord GetLowerValue(int cls, int index) {
  index &= 0xFFFF;
  CheckSlot(cls, index);
  const int level = valStackIndex[cls];
  if (level <= 0) return 0;
  return valStack[level - 1][cls][index];
}

void IncLowerValue(int cls, int index) {
  index &= 0xFFFF;
  CheckSlot(cls, index);
  const int level = valStackIndex[cls];
  if (level <= 0) return;
  AddToWord(&valStack[level - 1][cls][index], 1);
}

namespace {

// Adds 1 to a statement variable of the current level and of every parked
// level; a spare array at the top is zeroed before reuse, so it may count too.
void CountInStatements(int index) {
  AddToWord(&mvValue[stm_][index], 1);
  const int top = valStackIndex[stm_] < kValueLevels - 1 ? valStackIndex[stm_] : kValueLevels - 1;
  for (int level = 0; level <= top; ++level)
    if (MVWord* values = valStack[level][stm_]) AddToWord(&values[index], 1);
}

}  // namespace

void DoStmTokens() { CountInStatements(kStmTokens); }
void DoStmLines() { CountInStatements(kStmLines); }

// ---- Needed analyses ---------------------------------------------------------------------------

void SetNeeded(int cls, int index) {
  CheckSlot(cls, index);
  mvNeed[cls][index] = 1;
  const char* name = mvName[cls][index];
  if (name == nullptr) return;
  switch (cls) {
    case mv_:
      if (NameIn(name, {"identifier", "keyword", "prev_token", "token"}))
        lex2_needed = true;
      else if (strcmp(name, "no_undef") == 0)
        needUndefs = true;
      else if (strcmp(name, "pragma") == 0)
        pp_needed = true;
      break;
    case lex1_:
      lex1_needed = true;
      break;
    case lex2_:
      lex2_needed = true;
      break;
    case pp_:
      pp_needed = true;
      break;
    case dcl_:
      if (NameIn(name, {"dcl_all_upper", "dcl_any_upper", "dcl_first_upper", "dcl_Hungarian",
                        "dcl_ident_length", "dcl_underscore"}))
        id_needed = true;
      break;
    case cnv_:
      cnv_needed = true;
      break;
    case exp_:
      if (strcmp(name, "exp_operands") == 0) needOps = true;
      break;
    case stm_:
      if (strcmp(name, "stm_operands") == 0) needOps = true;
      break;
    case lin_:
      lin_needed = true;
      if (strcmp(name, "lin_operands") == 0) needOps = true;
      break;
    case fcn_:
    case mod_:
    case prj_: {
      // The six names differ only in their class prefix.
      const char* tail = strchr(name, '_');
      if (NameIn(tail, {"_H_operands", "_operands", "_u_operands", "_uH_operands"})) needOps = true;
      int32_t** u = cls == fcn_ ? &fcnUOptr : cls == mod_ ? &modUOptr : &prjUOptr;
      int32_t** uh = cls == fcn_ ? &fcnUHoptr : cls == mod_ ? &modUHoptr : &prjUHoptr;
      if (strcmp(tail, "_u_operators") == 0)
        NeedOperatorFlags(u);
      else if (strcmp(tail, "_uH_operators") == 0)
        NeedOperatorFlags(uh);
      break;
    }
    case evt_:
      if (NameIn(name, {"lex_backslash", "lex_c_comment", "lex_cpp_comment", "lex_nl_eof"}))
        lin_needed = true;
      else if (strcmp(name, "lex_nonstandard") == 0)
        lex1_needed = true;
      break;
    default:
      break;
  }
}

void UpdateCheckHidden() {
  checkHidden = mvNeed[dcl_][kDclHidden] != 0 || mvNeed[dcl_][kDclLabelOverload] != 0;
}

}  // namespace mv
