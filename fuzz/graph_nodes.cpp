#include "graph_nodes.h"

#include <iterator>

namespace {

using K = GraphOptionKind;

const char* const operations[] = {"add", "sub", "mul", "div", nullptr};
const char* const arithmetics[] = {"integer", "floating", nullptr};

const GraphOption zero[] = {{"o", K::Buffer}};
const GraphOption copy[] = {
    {"i", K::Buffer}, {"o", K::Buffer}, {"is", K::Number, -3, 4}, {"os", K::Number, -3, 4}};
const GraphOption oper[] = {
    {"i1", K::Buffer}, {"i2", K::Buffer}, {"o", K::Buffer}, {"oper", K::Word, 0, 0, operations}};
const GraphOption koef[] = {{"i", K::Buffer},
                            {"o", K::Buffer},
                            {"oper", K::Word, 0, 0, operations},
                            {"k", K::Number, -200, 200}};
const GraphOption onepole[] = {{"i", K::Buffer}, {"o", K::Buffer}, {"f", K::Number, 0, 30000}};
const GraphOption bapass[] = {{"i", K::Buffer},
                              {"o", K::Buffer},
                              {"f", K::Number, 0, 30000},
                              {"q", K::Number, 0, 2},
                              {"a", K::Word, 0, 0, arithmetics}};

// Nonlinear and detector nodes, frequency multipliers, delay line, Fourier transform and noise
// gate, generators, pitch shifters and oversampler.
const char* const directions[] = {"forward", "backward", nullptr};
const char* const windows[] = {"none", "sin", nullptr};

const GraphOption bound[] = {{"i", K::Buffer}, {"o", K::Buffer}, {"l", K::Number, -1e9, 1e9}};
const GraphOption dist[] = {{"i", K::Buffer},
                            {"o", K::Buffer},
                            {"d", K::Number, 0, 4},
                            {"s", K::Number, -0.5, 1.5},
                            {"k", K::Number, 0, 1},
                            {"l", K::Number, 0, 3}};
const GraphOption ampdet[] = {{"i", K::Buffer},
                              {"o", K::Buffer},
                              {"a", K::Buffer},
                              {"f1", K::Number, 0, 20000},
                              {"f2", K::Number, 0, 20000}};
const GraphOption lgd[] = {{"i", K::Buffer}, {"o", K::Buffer}, {"c", K::Number, -1, 1}};
const GraphOption freqmul[] = {{"i", K::Buffer}, {"o", K::Buffer}, {"k", K::Number, -2, 8}};
const GraphOption nefreqmul[] = {{"i", K::Buffer},
                                 {"o", K::Buffer},
                                 {"k", K::Number, -2, 8},
                                 {"rand", K::Number, -1, 2},
                                 {"stab", K::Number, -1, 2}};
// Groups and taps are made by "-g" and "-d" without a value and chosen again by reference.
const GraphOption deline[] = {{"i", K::Buffer},
                              {"g", K::Make},
                              {"g", K::Make},
                              {"g", K::Handle},
                              {"go", K::Buffer},
                              {"ga", K::Number, -2, 2},
                              {"gf", K::Number, -1.5, 1.5},
                              {"gc", K::Query},
                              {"d", K::Make},
                              {"d", K::Make},
                              {"d", K::Handle},
                              {"dt", K::Number, -10, 70000},
                              {"dt", K::Number, -0.1, 2},
                              {"da", K::Number, -1, 1},
                              {"da", K::Query}};
const GraphOption transform[] = {{"i", K::Buffer},
                                 {"s", K::Number, -2, 13},
                                 {"d", K::Word, 0, 0, directions},
                                 {"win", K::Word, 0, 0, windows},
                                 {"w", K::Query}};
const GraphOption noisegate[] = {{"i", K::Buffer},
                                 {"s", K::Buffer},
                                 {"o1", K::Buffer},
                                 {"o2", K::Buffer},
                                 {"o1", K::Query},
                                 {"o2", K::Query},
                                 {"a", K::Number, 0, 1},
                                 {"w", K::Query}};
const GraphOption generator[] = {{"o", K::Buffer}};
const GraphOption envelope[] = {
    {"o", K::Buffer}, {"beg", K::Number, -1, 2}, {"time", K::Number, -1, 2}};
const GraphOption shifter[] = {{"i", K::Buffer},
                               {"o", K::Buffer},
                               {"s", K::Number, -20000, 20000},
                               {"p", K::Number, -1e7, 2e7}};
const GraphOption oversam[] = {{"i", K::Buffer}, {"o", K::Buffer}, {"k", K::Number, -8, 8}};

} // namespace

const GraphNodeClass graphNodeClasses[] = {
    {"VX_Effect_Zero", zero, std::size(zero)},
    {"VX_Effect_Copy", copy, std::size(copy)},
    {"VX_Effect_Oper", oper, std::size(oper)},
    {"VX_Effect_Koef", koef, std::size(koef)},
    {"VX_Effect_Hipass", onepole, std::size(onepole)},
    {"VX_Effect_Lopass", onepole, std::size(onepole)},
    {"VX_Effect_Bapass", bapass, std::size(bapass)},
    {"VX_Effect_Gtzero", bound, std::size(bound)},
    {"VX_Effect_Ltzero", bound, std::size(bound)},
    {"VX_Effect_Dist", dist, std::size(dist)},
    {"VX_Effect_Ampdet", ampdet, std::size(ampdet)},
    {"VX_Effect_Lgd", lgd, std::size(lgd)},
    {"VX_Effect_Freqmul", freqmul, std::size(freqmul)},
    {"VX_Effect_Nefreqmul", nefreqmul, std::size(nefreqmul)},
    {"VX_Effect_Deline", deline, std::size(deline)},
    {"VX_Fourier_Transform", transform, std::size(transform)},
    {"VX_Fourier_Noisegate", noisegate, std::size(noisegate)},
    {"VX_Gener_White", generator, std::size(generator)},
    {"VX_Gener_Exp", envelope, std::size(envelope)},
    {"VX_Effect_Shift", shifter, std::size(shifter)},
    {"VX_Effect_Nshift", shifter, std::size(shifter)},
    {"VX_Effect_Oversam", oversam, std::size(oversam)},
};
const size_t graphNodeClassCount = std::size(graphNodeClasses);
