#pragma once

// The host's list (HostFunctions.def) writes each parameter once, as (Type, name); these make of
// such pairs the typed parameter list and the argument list the readers of the list expect, so
// that a name can never be paired with another parameter's type.
//
//   QV_TYPED_PARAMETERS((Int32, index), (Int32*, count))  ->  (Int32 index, Int32* count)
//   QV_ARGUMENT_NAMES((Int32, index), (Int32*, count))    ->  (index, count)

#define QV_PARENS ()
// Rescans its argument 4^4 = 256 times: room for a list of up to 256 parameters.
#define QV_EXPAND(...) QV_EXPAND4(QV_EXPAND4(QV_EXPAND4(QV_EXPAND4(__VA_ARGS__))))
#define QV_EXPAND4(...) QV_EXPAND3(QV_EXPAND3(QV_EXPAND3(QV_EXPAND3(__VA_ARGS__))))
#define QV_EXPAND3(...) QV_EXPAND2(QV_EXPAND2(QV_EXPAND2(QV_EXPAND2(__VA_ARGS__))))
#define QV_EXPAND2(...) QV_EXPAND1(QV_EXPAND1(QV_EXPAND1(QV_EXPAND1(__VA_ARGS__))))
#define QV_EXPAND1(...) __VA_ARGS__

// `macro` applied to every pair, the results separated by commas.
#define QV_FOR_EACH_PAIR(macro, ...) __VA_OPT__(QV_EXPAND(QV_FOR_EACH_PAIR_STEP(macro, __VA_ARGS__)))
#define QV_FOR_EACH_PAIR_STEP(macro, pair, ...)                                                              \
    macro pair __VA_OPT__(, QV_FOR_EACH_PAIR_AGAIN QV_PARENS(macro, __VA_ARGS__))
#define QV_FOR_EACH_PAIR_AGAIN() QV_FOR_EACH_PAIR_STEP

#define QV_TYPED_PARAMETER(type, name) type name
#define QV_ARGUMENT_NAME(type, name) name
#define QV_TYPED_PARAMETERS(...) (QV_FOR_EACH_PAIR(QV_TYPED_PARAMETER, __VA_ARGS__))
#define QV_ARGUMENT_NAMES(...) (QV_FOR_EACH_PAIR(QV_ARGUMENT_NAME, __VA_ARGS__))
