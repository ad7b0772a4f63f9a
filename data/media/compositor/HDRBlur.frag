#version 120
// One direction of the separable Gaussian blur: 15 weighted taps along the given offsets.
uniform sampler2D source;
uniform vec2 offsets[15];
uniform float kernel[15];
varying vec2 uv;

void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < 15; ++i) {
        sum += kernel[i] * texture2D(source, uv + offsets[i]).rgb;
    }
    gl_FragColor = vec4(sum, 1.0);
}
