# The Windows zip, made by `cpack` in a cross build (`make windows`):
# interseccao-VERSION-win64.zip with a folder of that name holding interseccao.exe, the program
# as a web page (interseccao.html, when INTERSECCAO_WEB_PAGE gives it), the guide as one
# self-contained HTML page, LEIA-ME.txt and the examples.
find_program(PANDOC_PROGRAM pandoc REQUIRED)
set(guide_html ${CMAKE_CURRENT_BINARY_DIR}/guia.html)
add_custom_command(OUTPUT ${guide_html}
  COMMAND ${PANDOC_PROGRAM} --from gfm --to html5 --standalone --self-contained
    --metadata "pagetitle=interseccao — guia do utilizador" --metadata lang=pt-PT
    --resource-path ${PROJECT_SOURCE_DIR}/docs
    --output ${guide_html} ${PROJECT_SOURCE_DIR}/docs/guia.md
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/guia.md ${PROJECT_SOURCE_DIR}/docs/desenho-levantamento-gc.png
    ${PROJECT_SOURCE_DIR}/docs/dxf-levantamento-gc.png ${PROJECT_SOURCE_DIR}/docs/pagina-computador.png
    ${PROJECT_SOURCE_DIR}/docs/pagina-telemovel.png
  COMMENT "Writing the guide as an HTML page")
add_custom_target(guide_html ALL DEPENDS ${guide_html})

install(TARGETS interseccao RUNTIME DESTINATION .)
install(FILES ${guide_html} ${PROJECT_SOURCE_DIR}/packaging/windows/LEIA-ME.txt DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples)
if(INTERSECCAO_WEB_PAGE)
  install(FILES ${INTERSECCAO_WEB_PAGE} DESTINATION .)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME interseccao)
set(CPACK_PACKAGE_VENDOR interseccao)
set(CPACK_PACKAGE_FILE_NAME interseccao-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
