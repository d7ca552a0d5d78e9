# The lessons (doc/lessons/*.md, their pictures in img/) as HTML pages made
# with pandoc, installed beside the README in share/doc/sinora/lessons.
# README.md, the course's first page, becomes index.html.
find_program(PANDOC pandoc)
if(NOT PANDOC)
  message(STATUS "pandoc not found: the lessons are not made into HTML (scripts/setup installs it)")
  return()
endif()

set(lessons_source ${CMAKE_CURRENT_SOURCE_DIR}/doc/lessons)
set(lessons_html ${CMAKE_CURRENT_BINARY_DIR}/lessons)
file(GLOB lesson_pages CONFIGURE_DEPENDS ${lessons_source}/*.md)
set(lesson_outputs)
foreach(page ${lesson_pages})
  get_filename_component(name ${page} NAME_WE)
  if(name STREQUAL README)
    set(name index)
  endif()
  set(html ${lessons_html}/${name}.html)
  add_custom_command(OUTPUT ${html}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${lessons_html}
    COMMAND ${PANDOC} --from markdown --to html5 --standalone --css lessons.css
            --lua-filter ${lessons_source}/html.lua --output ${html} ${page}
    DEPENDS ${page} ${lessons_source}/html.lua VERBATIM)
  list(APPEND lesson_outputs ${html})
endforeach()
add_custom_target(lessons ALL DEPENDS ${lesson_outputs})

install(FILES ${lesson_outputs} ${lessons_source}/lessons.css DESTINATION ${CMAKE_INSTALL_DOCDIR}/lessons)
install(DIRECTORY ${lessons_source}/img DESTINATION ${CMAKE_INSTALL_DOCDIR}/lessons)
