// measure_places.cpp
#include "lab/measure/measure_places.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <vector>

#include "lab/core/field_geometry.h"
#include "lab/core/option_bounds.h"

namespace lab {

namespace {

const char* PlaceNames(PlaceShape shape, bool inPixels) {
    switch (shape) {
        case PlaceShape::Line: return "X0,Y0,X1,Y1";
        case PlaceShape::Square: return inPixels ? "ROW,COL,SIZE" : "X,Y,SIZE";
        default: return inPixels ? "ROW,COL,R" : "X,Y,R";
    }
}

}  // namespace

std::string ReadPlace(const std::string& text, PlaceShape shape, bool inPixels, Place& place) {
    const size_t count = shape == PlaceShape::Line ? 4 : 3;
    const std::optional<std::vector<double>> n = FiniteNumbers(text, count);
    if (!n)
        return "'" + text + "' is not " + PlaceNames(shape, inPixels) + ": " + std::to_string(count) +
               " finite numbers separated by commas";
    auto at = [&](double first, double second) {
        return inPixels ? PicturePoint{second, first} : FromField(first, second);
    };
    place.centre = at((*n)[0], (*n)[1]);
    std::string problem;
    switch (shape) {
        case PlaceShape::Circle:
            place.size = (*n)[2];
            problem = CircleProblem(place.centre, place.size);
            break;
        case PlaceShape::Square:
            place.size = (*n)[2];
            problem = SquareProblem(place.centre, place.size);
            break;
        case PlaceShape::Edge:
            place.size = (*n)[2];
            problem = EdgeProblem({place.centre, place.size});
            break;
        case PlaceShape::Line:
            place.end = at((*n)[2], (*n)[3]);
            problem = LineProblem(place.centre, place.end);
            break;
    }
    return problem.empty() ? "" : "'" + text + "': " + problem;
}

CLI::Validator PlaceCheck(PlaceShape shape, bool inPixels) {
    return CLI::Validator(
        [shape, inPixels](std::string& text) -> std::string {
            Place place;
            return ReadPlace(text, shape, inPixels, place);
        },
        PlaceNames(shape, inPixels));
}

}  // namespace lab
