#pragma once

#include <initializer_list>

#include "sim/PlaySeries.h"

// Rows are written in file order:
// {gamesSinceBonus, medals, playCount, mode, bonus, bigColor, outcome, preSign, preSignBlue, bonusGame,
// chainTrigger}
inline PlaySeries SeriesOf(std::initializer_list<PlayRow> rows)
{
    PlaySeries series;
    for (const PlayRow& row : rows) series.Append(row);
    return series;
}

// Seven plays: a BIG on the first play (1G連) with a cherry and a decided
// 1G連 in its games, a 1G連 REG on the game right after it, a cherry
// pre-sign that releases a blue BIG, and a BIG by the RT count on the last
// play, left open.
inline PlaySeries StoryRun()
{
    return SeriesOf({
        {1, 12, 1, 0, 1, 0, 7, 0, 0, 0, 0},   // 0 BIG released on play 1
        {1, 20, 1, 0, 1, 0, 1, 0, 0, 1, 0},   // 1 cherry in the BIG
        {1, 30, 1, 0, 1, 0, 12, 0, 0, 1, 1},  // 2 JAC-IN decides a 1G連
        {1, 40, 1, 0, 1, 0, 10, 0, 0, 1, 0},  // 3 last game of the BIG
        {1, 52, 2, 1, 2, 0, 8, 0, 0, 0, 0},   // 4 1G連 REG, closes the BIG
        {1, 60, 2, 1, 2, 0, 10, 0, 0, 1, 0},  // 5 the REG's game
        {1, 57, 3, 2, 0, 0, 2, 0, 0, 0, 0},   // 6 bell, closes the REG
        {2, 54, 4, 2, 0, 0, 0, 1, 0, 0, 0},   // 7 cherry pre-sign running
        {3, 66, 5, 2, 1, 1, 7, 1, 1, 0, 0},   // 8 blue BIG by the pre-sign
        {3, 70, 5, 2, 1, 1, 11, 0, 0, 1, 6},  // 9 JAC miss decides a 1G連
        {1, 67, 6, 0, 0, 1, 6, 0, 0, 0, 0},   // 10 pure miss, closes the BIG
        {2, 79, 7, 0, 1, 0, 7, 0, 0, 0, 0},   // 11 BIG by the RT count on the last play
    });
}
