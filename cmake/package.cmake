# The Debian package (scripts/package): everything `cmake --install` puts
# under /usr. dpkg-shlibdeps finds the libraries the programs link; the
# packages below are what they load or use at run time without linking.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sinora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Sinora developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Sinora lets a student carry out and watch simple and filtered back
projection: it loads a CT sinogram and a real-space filter, and shows the
sinogram, the filter curve, every view's back projection, the summed slice
and an angle-by-angle replay, then the slice under a typed centre and
width. It comes with a sample sinogram and filters, and starts from the
desktop menu in the work folder ~/Sinora.
.
Sinora Lab, its companion (a window, and the sinora-lab command), makes
sinograms of pictures, DICOM CT slices and phantoms, with counting noise,
and filter files.")
# Qt's X11 platform plugin and the image format plugins are loaded, not
# linked; the console and the canvas draw in the IPA Gothic and Mincho faces.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, qt6-image-formats-plugins, fonts-ipafont-gothic, fonts-ipafont-mincho")
# The MIME and desktop databases are brought up to date by the file triggers
# of shared-mime-info (which Qt depends on) and desktop-file-utils, on
# installing and on removing; no maintainer script of ours is needed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils")

include(CPack)
