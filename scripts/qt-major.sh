# Sourced by the scripts: the Qt major to build against, from VORNIK_QT_MAJOR (5, the default, or
# 6), and the suffix that keeps each major's build folders apart (build/ and build-qt6/, ...).
# A plug-in loads only into a host of its own Qt major, so the two builds never mix.
VORNIK_QT_MAJOR="${VORNIK_QT_MAJOR:-5}"
case "$VORNIK_QT_MAJOR" in
  5) qt_suffix="" ;;
  6) qt_suffix="-qt6" ;;
  *) echo "VORNIK_QT_MAJOR is 5 or 6, not '$VORNIK_QT_MAJOR'" >&2; exit 2 ;;
esac
export VORNIK_QT_MAJOR
