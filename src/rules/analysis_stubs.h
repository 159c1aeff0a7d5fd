// Built-ins that ask the C/C++ analysis about the construct that fired a rule
// (declarators, identifiers, tags, operands, classes, functions ...). Those
// of the current declarator and of the declaration of the identifier just
// used (dcl_name, dcl_base_name, dcl_level, idn_name, idn_filename ...) read
// the declaration records. Until each other analysis exists, its built-ins
// answer as when nothing is current: 0, a null text, an empty text for
// exp_base_name, "<anonymous>" for tag_name. The analysis that makes one
// real registers its own handler with RegisterBuiltin, which replaces the
// answer given here.
#pragma once

namespace mv {

// Puts the answers of nothing-current in every slot of these built-ins that
// has no handler yet; a handler registered earlier stays.
void RegisterAnalysisStubs();

}  // namespace mv
